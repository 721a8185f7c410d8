#include "storage/cardread.h"

#include "storage/fileops.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vexolo {

namespace {

// Opens name for reading only when it is a regular file. The type is looked at before opening,
// so a device is never opened, and again after, in case it was swapped in between.
CardRead openRegular(int folder, const char *name, Fd *fd)
{
    struct stat info;
    if (::fstatat(folder, name, &info, 0) != 0)
        return {errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Unreadable, {}};
    if (!S_ISREG(info.st_mode))
        return {ReadStatus::Unreadable, {}};
    *fd = Fd(::openat(folder, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd->isOpen())
        return {errno == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable, {}};
    if (::fstat(fd->get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {ReadStatus::Unreadable, {}};
    return {ReadStatus::Read, {}};
}

// Reads into bytes until stop says so or limit + 1 bytes are in; false on a read error.
template<typename Stop> bool readUpTo(int fd, qint64 limit, QByteArray *bytes, Stop stop)
{
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (count == 0)
            return true;
        const qsizetype room = qsizetype(limit + 1 - bytes->size());
        const qsizetype used = stop(buffer, std::min<qsizetype>(count, room));
        bytes->append(buffer, used);
        if (used < count || bytes->size() > limit)
            return true;
    }
}

} // namespace

QByteArrayList readFolder(int folder)
{
    QByteArrayList names;
    // fdopendir takes the descriptor over: a copy keeps the caller's open.
    const int copy = ::dup(folder);
    DIR *listing = copy < 0 ? nullptr : ::fdopendir(copy);
    if (!listing) {
        if (copy >= 0)
            ::close(copy);
        return names;
    }
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArrayView name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name.toByteArray());
    }
    ::closedir(listing);
    return names;
}

CardRead readWholeFile(int folder, const char *name, qint64 limit)
{
    Fd fd;
    CardRead result = openRegular(folder, name, &fd);
    if (result.status != ReadStatus::Read)
        return result;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || info.st_size > limit)
        return {ReadStatus::Unreadable, {}};
    result.bytes.reserve(qsizetype(info.st_size));
    if (!readUpTo(fd.get(), limit, &result.bytes, [](const char *, qsizetype count) { return count; })
        || result.bytes.size() > limit)
        return {ReadStatus::Unreadable, {}};
    return result;
}

CardRead readFirstLine(int folder, const char *name, qint64 limit)
{
    Fd fd;
    CardRead result = openRegular(folder, name, &fd);
    if (result.status != ReadStatus::Read)
        return result;
    const auto untilLineEnd = [](const char *data, qsizetype count) {
        return qsizetype(std::find_if(data, data + count, [](char c) { return c == '\r' || c == '\n'; }) - data);
    };
    if (!readUpTo(fd.get(), limit, &result.bytes, untilLineEnd) || result.bytes.size() > limit)
        return {ReadStatus::Unreadable, {}};
    return result;
}

} // namespace Vexolo
