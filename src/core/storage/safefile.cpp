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

namespace Vexolo {

namespace {

constexpr QByteArrayView TempPrefix = ".vexolo-";
constexpr QByteArrayView TempSuffix = ".tmp";

// Closes the descriptor and removes the temporary file unless released: every failure path
// leaves the folder as it was.
class TempFile
{
public:
    TempFile(FileOps &ops, int folder, int fd, QByteArray name)
        : m_ops(ops)
        , m_folder(folder)
        , m_fd(fd)
        , m_name(std::move(name))
    {
    }
    ~TempFile()
    {
        if (m_fd >= 0)
            m_ops.close(m_fd);
        if (!m_name.isEmpty())
            ::unlinkat(m_folder, m_name.constData(), 0);
    }
    Q_DISABLE_COPY_MOVE(TempFile)

    int fd() const { return m_fd; }
    const QByteArray &name() const { return m_name; }
    // close() reports a delayed write error on some file systems, so its result counts.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return m_ops.close(fd) == 0;
    }
    void release() { m_name.clear(); }

private:
    FileOps &m_ops;
    int m_folder;
    int m_fd;
    QByteArray m_name;
};

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
    return ok && pid > 0 && pid <= INT_MAX ? pid_t(pid) : 0;
}

} // namespace

bool writeFileSafely(int folder, const QString &name, const QByteArray &content, FileOps &ops, int *error)
{
    return writeFileSafely(
        folder, name, [&ops, &content](int fd) { return writeAll(ops, fd, content); }, ops, error);
}

bool writeFileSafely(int folder, const QString &name, const ContentWriter &writeContent, FileOps &ops, int *error)
{
    const QByteArray target = encodeFileName(name);
    if (folder < 0 || target.isEmpty())
        return fail(error, ENOENT);
    struct stat old;
    const bool exists = ::fstatat(folder, target.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return fail(error, EISDIR);

    // A short fixed-form name: the target's own name may already be near the file system's limit.
    // The process id in it tells a later writer whether this one is still at work.
    int fd = -1;
    QByteArray tempName;
    for (int attempt = 0; fd < 0; ++attempt) {
        tempName = TempPrefix.toByteArray() + QByteArray::number(::getpid()) + '-'
            + QByteArray::number(QRandomGenerator::global()->generate(), 16) + TempSuffix.toByteArray();
        fd = ops.openat(folder, tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && (errno != EEXIST || attempt >= 100))
            return fail(error, errno);
    }
    TempFile temp(ops, folder, fd, tempName);
    ::flock(temp.fd(), LOCK_EX | LOCK_NB);

    // Keep the old file's permissions where the file system has them; a FAT card has none, so a
    // refusal here is no reason to stop.
    if (exists && S_ISREG(old.st_mode))
        (void)::fchmod(temp.fd(), old.st_mode & 07777);

    if (!writeContent(temp.fd()))
        return fail(error, errno);
    if (ops.fsync(temp.fd()) != 0)
        return fail(error, errno);
    if (!temp.close())
        return fail(error, errno);
    if (ops.renameat(folder, temp.name().constData(), folder, target.constData()) != 0)
        return fail(error, errno);
    temp.release();

    // The rename is durable only once the folder itself reaches the card.
    const bool synced = ops.fsync(folder) == 0 || errno == EINVAL || errno == ENOTSUP;
    return synced || fail(error, errno);
}

bool isLeftoverTemporary(QByteArrayView name)
{
    const pid_t writer = writerOf(name);
    // A writer that still runs (here, or under another user: EPERM) is at work.
    return writer != 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH;
}

void removeLeftoverTemporaries(int folder, FileOps &ops)
{
    for (const QByteArray &name : readFolder(folder)) {
        if (!isLeftoverTemporary(name))
            continue;
        const Fd file(::openat(folder, name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
        struct stat info;
        if (!file.isOpen() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        // A writer in another process namespace holds its lock until it is done.
        if (::flock(file.get(), LOCK_EX | LOCK_NB) == 0)
            ops.unlinkat(folder, name.constData(), 0);
    }
}

} // namespace Vexolo
