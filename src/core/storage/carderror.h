#pragma once

namespace Vexolo {

// Why card work failed, as a value: the system's error number sorted into the causes a user can act on.
struct CardError
{
    enum Cause {
        None,
        Gone, // the card chosen is no longer there, or was pulled while written
        Changed, // another card is in its place
        ReadOnly, // write-protected, or mounted read-only
        Full,
        Io, // any other failure; number says which
    };
    Cause cause = None;
    int number = 0; // the system's error number (errno), where one was given

    static CardError fromErrno(int number);
    bool operator==(const CardError &) const = default;
};

} // namespace Vexolo
