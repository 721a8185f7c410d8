#include "storage/safefile.h"

#include "storage/cardread.h"
#include "storage/cardtext.h"
#include "storage/fileops.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace Vexolo {

namespace {

constexpr QByteArrayView TempPrefix = ".vexolo-";
constexpr QByteArrayView TempSuffix = ".tmp";

bool fail(int *error, int number)
{
    if (error)
        *error = number;
    return false;
}

} // namespace

bool writeAll(FileOps &ops, int fd, QByteArrayView content)
{
    const char *data = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t written = ops.write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

namespace {

// The writer's process id from a temporary name ".vexolo-PID-RANDOM.tmp", 0 when it is no such name.
pid_t writerOf(QByteArrayView name)
{
    if (!name.startsWith(TempPrefix) || !name.endsWith(TempSuffix))
        return 0;
    name = name.sliced(TempPrefix.size(), name.size() - TempPrefix.size() - TempSuffix.size());
    const qsizetype dash = name.indexOf('-');
    bool ok = false;
    const qlonglong pid = dash > 0 ? name.first(dash).toLongLong(&ok) : 0;
    return ok && pid <= INT_MAX ? pid_t(pid) : 0; // no sign: the digits end at the first dash
}

} // namespace

bool writeFileSafely(int folder, const QString &name, const QByteArray &content, FileOps &ops, int *error)
{
    return writeFileSafely(
        folder, name, [&ops, &content](int fd) { return writeAll(ops, fd, content); }, ops, error);
}

std::unique_ptr<StagedFile> StagedFile::create(int folder, const QString &name, FileOps &ops, int *error)
{
    const QByteArray target = encodeFileName(name);
    if (folder == -1 || target.isEmpty()) {
        fail(error, ENOENT);
        return {};
    }
    struct stat old = {}; // no file type while there is no old file
    (void)::fstatat(folder, target.constData(), &old, AT_SYMLINK_NOFOLLOW);
    if (S_ISDIR(old.st_mode)) {
        fail(error, EISDIR);
        return {};
    }

    // A short fixed-form name: the target's own name may already be near the file system's limit.
    // The process id in it tells a later writer whether this one is still at work.
    int fd = -1;
    QByteArray tempName;
    for (int attempt = 0; fd == -1; ++attempt) {
        tempName = TempPrefix.toByteArray() + QByteArray::number(::getpid()) + '-'
            + QByteArray::number(QRandomGenerator::global()->generate(), 16) + TempSuffix.toByteArray();
        fd = ops.openat(folder, tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd == -1 && (errno != EEXIST || attempt >= 100)) {
            fail(error, errno);
            return {};
        }
    }
    std::unique_ptr<StagedFile> staged(new StagedFile(ops, folder, fd, tempName, target));
    ::flock(fd, LOCK_EX | LOCK_NB);
    // Keep the old file's permissions where the file system has them; a FAT card has none, so a
    // refusal here is no reason to stop.
    if (S_ISREG(old.st_mode))
        (void)::fchmod(fd, old.st_mode & 07777);
    return staged;
}

StagedFile::StagedFile(FileOps &ops, int folder, int fd, QByteArray name, QByteArray target)
    : m_ops(ops)
    , m_folder(folder)
    , m_fd(fd)
    , m_name(std::move(name))
    , m_target(std::move(target))
{
}

StagedFile::~StagedFile()
{
    if (m_fd != -1)
        m_ops.close(m_fd);
    if (!m_name.isEmpty())
        ::unlinkat(m_folder, m_name.constData(), 0);
}

bool StagedFile::close()
{
    const int fd = std::exchange(m_fd, -1);
    return m_ops.close(fd) == 0;
}

bool StagedFile::place()
{
    if (m_ops.renameat(m_folder, m_name.constData(), m_folder, m_target.constData()) != 0)
        return false;
    m_name.clear();
    return true;
}

bool syncFolder(int folder, FileOps &ops)
{
    return ops.fsync(folder) == 0 || errno == EINVAL || errno == ENOTSUP;
}

bool writeFileSafely(int folder, const QString &name, const ContentWriter &writeContent, FileOps &ops, int *error)
{
    const std::unique_ptr<StagedFile> staged = StagedFile::create(folder, name, ops, error);
    if (!staged)
        return false;
    if (!writeContent(staged->fd()))
        return fail(error, errno);
    if (ops.fsync(staged->fd()) != 0)
        return fail(error, errno);
    if (!staged->close() || !staged->place())
        return fail(error, errno);
    // The rename is durable only once the folder itself reaches the card.
    return syncFolder(folder, ops) || fail(error, errno);
}

bool isLeftoverTemporary(QByteArrayView name)
{
    const pid_t writer = writerOf(name);
    // A writer that still runs (here, or under another user: EPERM) is at work.
    return writer != 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH;
}

CardError removeLeftoverTemporaries(int folder, FileOps &ops)
{
    const FolderRead items = readFolder(folder, ops);
    CardError error = items.error;
    for (const QByteArray &name : items.names) {
        if (!isLeftoverTemporary(name))
            continue;
        const Fd file(::openat(folder, name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
        struct stat info;
        const bool opened = file.isOpen() && ::fstat(file.get(), &info) == 0;
        // A link, a folder or a FIFO of a leftover's name is none of the program's: left, and told.
        if ((opened && !S_ISREG(info.st_mode)) || (!opened && errno == ELOOP)) {
            if (error.cause == CardError::None)
                error = {CardError::NotAFile, opened ? 0 : ELOOP, decodeFileName(name)};
            continue;
        }
        if (!opened)
            continue;
        // A writer in another process namespace holds its lock until it is done.
        if (::flock(file.get(), LOCK_EX | LOCK_NB) == 0 && ops.unlinkat(folder, name.constData(), 0) != 0
            && error.cause == CardError::None)
            error = CardError::fromErrno(errno, decodeFileName(name));
    }
    return error;
}

} // namespace Vexolo
