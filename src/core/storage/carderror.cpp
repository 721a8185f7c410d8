#include "carderror.h"

#include <cerrno>

namespace Vexolo {

CardError CardError::fromErrno(int number, const QString &path)
{
    switch (number) {
    case 0:
        return {};
    case ENOSPC:
    case EDQUOT:
        return {Full, number, path};
    case EROFS:
        return {ReadOnly, number, path};
    case ELOOP: // a link where O_NOFOLLOW opened
    case EISDIR:
        return {NotAFile, number, path};
    case EFBIG:
        return {TooLarge, number, path};
    case ENOTDIR:
        return {NoFolder, number, path};
    // A device that went away mid-write: a pulled reader or card, a network share that dropped.
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
    case ESTALE:
    case ENOTCONN:
        return {Gone, number, path};
    default:
        return {Io, number, path};
    }
}

} // namespace Vexolo
