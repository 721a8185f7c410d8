#include "carderror.h"

#include <cerrno>

namespace Vexolo {

CardError CardError::fromErrno(int number)
{
    switch (number) {
    case 0:
        return {};
    case ENOSPC:
    case EDQUOT:
        return {Full, number};
    case EROFS:
        return {ReadOnly, number};
    // A device that went away mid-write: a pulled reader or card, a network share that dropped.
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
    case ESTALE:
    case ENOTCONN:
        return {Gone, number};
    default:
        return {Io, number};
    }
}

} // namespace Vexolo
