#include "storage/safefile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vexolo {

namespace {

// Closes the descriptor and removes the temporary file unless released: every failure path
// leaves the folder as it was.
class TempFile
{
public:
    TempFile(int fd, QByteArray path)
        : m_fd(fd)
        , m_path(std::move(path))
    {
    }
    ~TempFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_path.isEmpty())
            ::unlink(m_path.constData());
    }
    Q_DISABLE_COPY_MOVE(TempFile)

    int fd() const { return m_fd; }
    const QByteArray &path() const { return m_path; }
    // close() reports a delayed write error on some file systems, so its result counts.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }
    void release() { m_path.clear(); }

private:
    int m_fd;
    QByteArray m_path;
};

bool fail(QString *errorString, const QString &what, int error)
{
    if (errorString)
        *errorString = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
    return false;
}

bool writeAll(int fd, const QByteArray &content)
{
    const char *data = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
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

} // namespace

bool writeFileSafely(const QString &path, const QByteArray &content, QString *errorString)
{
    if (path.isEmpty())
        return fail(errorString, path, ENOENT);
    const QFileInfo target(path);
    if (target.isDir())
        return fail(errorString, path, EISDIR);
    const QByteArray folder = QFile::encodeName(target.absolutePath());

    // A short fixed-form name: the target's own name may already be near the file system's limit.
    int fd = -1;
    QByteArray tempPath;
    for (int attempt = 0; fd < 0; ++attempt) {
        tempPath = folder + "/.vexolo-" + QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
        fd = ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt >= 100))
            return fail(errorString, path, errno);
    }
    TempFile temp(fd, tempPath);

    // Keep the old file's permissions where the file system has them; a FAT card has none, so a
    // refusal here is no reason to stop.
    struct stat old;
    if (::stat(QFile::encodeName(path).constData(), &old) == 0)
        (void)::fchmod(temp.fd(), old.st_mode & 07777);

    if (!writeAll(temp.fd(), content))
        return fail(errorString, path, errno);
    if (::fsync(temp.fd()) != 0)
        return fail(errorString, path, errno);
    if (!temp.close())
        return fail(errorString, path, errno);
    if (::rename(temp.path().constData(), QFile::encodeName(path).constData()) != 0)
        return fail(errorString, path, errno);
    temp.release();

    // The rename is durable only once the folder itself reaches the card.
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return fail(errorString, path, errno);
    const bool synced = ::fsync(folderFd) == 0 || errno == EINVAL || errno == ENOTSUP;
    const int syncError = errno;
    ::close(folderFd);
    return synced || fail(errorString, path, syncError);
}

} // namespace Vexolo
