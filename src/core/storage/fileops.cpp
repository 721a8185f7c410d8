#include "storage/fileops.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace Vexolo {

int FileOps::openat(int folder, const char *name, int flags, mode_t mode)
{
    return ::openat(folder, name, flags, mode);
}

ssize_t FileOps::read(int fd, void *data, size_t size)
{
    return ::read(fd, data, size);
}

ssize_t FileOps::readRetrying(int fd, void *data, size_t size)
{
    for (;;) {
        const ssize_t count = read(fd, data, size);
        if (count >= 0 || errno != EINTR)
            return count;
    }
}

ssize_t FileOps::write(int fd, const void *data, size_t size)
{
    return ::write(fd, data, size);
}

int FileOps::fsync(int fd)
{
    return ::fsync(fd);
}

ssize_t FileOps::copyFileRange(int from, int to, size_t size)
{
    return ::copy_file_range(from, nullptr, to, nullptr, size, 0);
}

int FileOps::syncfs(int fd)
{
    return ::syncfs(fd);
}

int FileOps::close(int fd)
{
    return ::close(fd);
}

int FileOps::renameat(int fromFolder, const char *from, int toFolder, const char *to)
{
    return ::renameat(fromFolder, from, toFolder, to);
}

int FileOps::unlinkat(int folder, const char *name, int flags)
{
    return ::unlinkat(folder, name, flags);
}

int FileOps::mkdirat(int folder, const char *name, mode_t mode)
{
    return ::mkdirat(folder, name, mode);
}

int FileOps::fstatvfs(int fd, struct statvfs *room)
{
    return ::fstatvfs(fd, room);
}

int FileOps::dropCached(int fd)
{
    const int error = ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    errno = error;
    return error == 0 ? 0 : -1;
}

int CardReads::openat(int folder, const char *name, int flags, mode_t mode)
{
    const int fd = m_ops.openat(folder, name, flags, mode);
    struct stat info;
    if (fd < 0 || (flags & (O_ACCMODE | O_DIRECTORY)) != O_RDONLY || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)
        || m_ops.dropCached(fd) == 0)
        return fd;
    const int error = errno;
    m_ops.close(fd);
    errno = error;
    return -1;
}

FileOps &FileOps::system()
{
    static FileOps ops;
    return ops;
}

void Fd::reset()
{
    if (m_fd != -1)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace Vexolo
