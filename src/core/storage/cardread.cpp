#include "storage/cardread.h"

#include "storage/fileops.h"
#include "storage/mounts.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vexolo {

namespace {

// Opens name for reading only when it is a regular file with one link on the folder's mount.
// O_NOFOLLOW refuses a link, O_NONBLOCK keeps a FIFO from blocking the open; the type is looked
// at on the open descriptor, so nothing can be swapped in between.
ReadStatus openRegular(int folder, const char *name, FileOps &ops, Fd *fd)
{
    *fd = Fd(ops.openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0));
    if (!fd->isOpen())
        return errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Unreadable;
    struct stat info;
    if (::fstat(fd->get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1
        || identityOf(fd->get()).mount != identityOf(folder).mount)
        return ReadStatus::Unreadable;
    return ReadStatus::Read;
}

// Reads the file in pieces, handing each to consume until it answers false; false on a read error.
template<typename Consume> bool readPieces(int fd, FileOps &ops, Consume consume)
{
    char buffer[65536];
    for (;;) {
        const ssize_t count = ops.read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count == 0;
        if (!consume(QByteArrayView(buffer, count)))
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

CardRead readFirstLine(int folder, const char *name, FileOps &ops, qsizetype limit)
{
    Fd fd;
    CardRead result {openRegular(folder, name, ops, &fd), {}};
    if (result.status != ReadStatus::Read)
        return result;
    bool ended = false;
    const bool read = readPieces(fd.get(), ops, [&](QByteArrayView piece) {
        const qsizetype end
            = std::find_if(piece.begin(), piece.end(), [](char c) { return c == '\r' || c == '\n'; }) - piece.begin();
        ended = end < piece.size();
        result.bytes.append(piece.first(std::min(end, limit + 1 - result.bytes.size())));
        return !ended && result.bytes.size() <= limit;
    });
    if (!read || result.bytes.size() > limit)
        return {ReadStatus::Unreadable, {}};
    return result;
}

ReadStatus readLines(int folder, const char *name, FileOps &ops, const std::function<bool(QByteArrayView)> &onLine)
{
    Fd fd;
    const ReadStatus status = openRegular(folder, name, ops, &fd);
    if (status != ReadStatus::Read)
        return status;
    QByteArray line;
    qint64 total = 0;
    bool ok = true;
    const bool read = readPieces(fd.get(), ops, [&](QByteArrayView piece) {
        total += piece.size();
        for (qsizetype at = 0; ok && at < piece.size();) {
            const qsizetype end
                = std::find_if(piece.begin() + at, piece.end(), [](char c) { return c == '\r' || c == '\n'; })
                - piece.begin();
            line.append(piece.sliced(at, std::min(end - at, LineLimit + 1 - line.size())));
            ok = line.size() <= LineLimit && (end == piece.size() || onLine(line));
            if (end < piece.size())
                line.clear();
            at = end + 1;
        }
        ok = ok && total <= ProgramFileLimit;
        return ok;
    });
    if (!read || !ok || !onLine(line))
        return ReadStatus::Unreadable;
    return ReadStatus::Read;
}

} // namespace Vexolo
