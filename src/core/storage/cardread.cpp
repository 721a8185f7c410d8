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

enum class Scan { Ended, Stopped, TooLarge, Failed };

// Hands the open file's lines to onLine until it answers false, holding one line at a time. A line
// longer than LineLimit, a file larger than ProgramFileLimit or a read error fails.
template<typename OnLine> Scan scanLines(int fd, FileOps &ops, OnLine onLine)
{
    const auto isLineEnd = [](char c) { return c == '\r' || c == '\n'; };
    char buffer[65536];
    QByteArray line;
    qint64 total = 0;
    for (;;) {
        const ssize_t count = ops.readRetrying(fd, buffer, sizeof buffer);
        if (count < 0)
            return Scan::Failed;
        if (count == 0)
            return onLine(line) ? Scan::Ended : Scan::Stopped;
        total += count;
        const QByteArrayView piece(buffer, count);
        for (qsizetype at = 0; at < piece.size();) {
            const qsizetype end = std::find_if(piece.begin() + at, piece.end(), isLineEnd) - piece.begin();
            line.append(piece.sliced(at, std::min(end - at, LineLimit + 1 - line.size())));
            if (line.size() > LineLimit)
                return Scan::TooLarge;
            if (end < piece.size() && !onLine(line))
                return Scan::Stopped;
            if (end < piece.size())
                line.clear();
            at = end + 1;
        }
        if (total > ProgramFileLimit)
            return Scan::TooLarge;
    }
}

} // namespace

// O_NOFOLLOW refuses a link, O_NONBLOCK keeps a FIFO from blocking the open; the type is looked
// at on the open descriptor, so nothing can be swapped in between.
ReadStatus openRegular(int folder, const char *name, FileOps &ops, Fd *fd, CardError *why)
{
    CardError unused;
    CardError &error = why ? *why : unused;
    *fd = Fd(ops.openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0));
    if (!fd->isOpen() && (errno == ENOENT || errno == ENOTDIR))
        return ReadStatus::Missing;
    struct stat info;
    if (!fd->isOpen() || ::fstat(fd->get(), &info) != 0) {
        error = CardError::fromErrno(errno);
        *fd = Fd();
        return ReadStatus::Unreadable;
    }
    if (!S_ISREG(info.st_mode) || info.st_nlink != 1 || identityOf(fd->get()).mount != identityOf(folder).mount) {
        error = CardError::of(CardError::NotAFile);
        *fd = Fd();
        return ReadStatus::Unreadable;
    }
    return ReadStatus::Read;
}

namespace {

CardError scanError(Scan scan)
{
    return scan == Scan::TooLarge ? CardError::of(CardError::TooLarge) : CardError::fromErrno(errno);
}

} // namespace

CardRead readWhole(int folder, const char *name, qint64 limit, FileOps &ops)
{
    Fd fd;
    CardError why;
    const ReadStatus status = openRegular(folder, name, ops, &fd, &why);
    if (status != ReadStatus::Read)
        return {status, {}, why};
    // The bound is held while reading, so a file that grows meanwhile is held to it too.
    QByteArray bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ops.readRetrying(fd.get(), buffer, sizeof buffer);
        if (count < 0)
            return {ReadStatus::Unreadable, {}, CardError::fromErrno(errno)};
        if (count == 0)
            break;
        bytes.append(buffer, count);
        if (bytes.size() > limit)
            return {ReadStatus::Unreadable, {}, CardError::of(CardError::TooLarge)};
    }
    return {ReadStatus::Read, std::move(bytes), {}};
}

CardError readFolder(int folder, FileOps &ops, const std::function<void(QByteArrayView)> &onName)
{
    // fdopendir takes the descriptor over: the folder opened anew keeps the caller's open, with a read position of
    // its own.
    Fd copy(ops.openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    DIR *listing = copy.isOpen() ? ::fdopendir(copy.get()) : nullptr;
    if (!listing)
        return CardError::fromErrno(errno);
    copy.release();
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(listing);
        if (!entry)
            break;
        const QByteArrayView name(entry->d_name);
        if (name != "." && name != "..")
            onName(name);
    }
    const CardError error = CardError::fromErrno(errno);
    ::closedir(listing);
    return error;
}

FolderRead readFolder(int folder, FileOps &ops)
{
    FolderRead read;
    read.error = readFolder(folder, ops, [&read](QByteArrayView name) { read.names.append(name.toByteArray()); });
    return read;
}

CardRead readFirstLine(int folder, const char *name, FileOps &ops)
{
    Fd fd;
    CardRead result;
    result.status = openRegular(folder, name, ops, &fd, &result.error);
    if (result.status != ReadStatus::Read)
        return result;
    const auto first = [&result](QByteArrayView line) {
        result.bytes = line.toByteArray();
        return false;
    };
    const Scan scan = scanLines(fd.get(), ops, first);
    if (scan == Scan::Failed || scan == Scan::TooLarge)
        return {ReadStatus::Unreadable, {}, scanError(scan)};
    return result;
}

ReadStatus readLines(int folder, const char *name, FileOps &ops, const std::function<bool(QByteArrayView)> &onLine,
                     CardError *why)
{
    Fd fd;
    const ReadStatus status = openRegular(folder, name, ops, &fd, why);
    if (status != ReadStatus::Read)
        return status;
    const Scan scan = scanLines(fd.get(), ops, onLine);
    // Stopped: the caller knows why.
    if (why && (scan == Scan::Failed || scan == Scan::TooLarge))
        *why = scanError(scan);
    return scan == Scan::Ended ? ReadStatus::Read : ReadStatus::Unreadable;
}

} // namespace Vexolo
