#pragma once

#include <QList>
#include <QString>

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

// A message the window must show, and how.
struct Notice
{
    enum Kind { Plain, Caution };
    Kind kind = Plain;
    QString text;
    CardError error; // why, where the card or the system told
    bool operator==(const Notice &) const = default;
};
using Notices = QList<Notice>;

} // namespace Vexolo
