#pragma once

#include <sys/types.h>

struct statvfs;

namespace Vexolo {

// The file system calls through which the card store opens, reads and changes card files. Tests
// derive from it to make a call fail on demand, so every failure path runs without a real full or
// read-only card.
class FileOps
{
public:
    virtual ~FileOps() = default;

    virtual int openat(int folder, const char *name, int flags, mode_t mode);
    virtual ssize_t read(int fd, void *data, size_t size);
    virtual ssize_t write(int fd, const void *data, size_t size);
    virtual int fsync(int fd);
    // Copies up to size bytes from one file to another inside the kernel, from and to their offsets.
    virtual ssize_t copyFileRange(int from, int to, size_t size);
    // Flushes the whole file system fd is on: one flush for many files written together.
    virtual int syncfs(int fd);
    virtual int close(int fd);
    virtual int renameat(int fromFolder, const char *from, int toFolder, const char *to);
    virtual int unlinkat(int folder, const char *name, int flags);
    virtual int mkdirat(int folder, const char *name, mode_t mode);
    virtual int fstatvfs(int fd, struct statvfs *room);
    // Drops the file's pages from the computer's memory, so that what is read next comes from the card itself;
    // pages not yet written stay. -1, with errno set, when it cannot.
    virtual int dropCached(int fd);

    // read, again while a signal interrupts it before it has read anything.
    ssize_t readRetrying(int fd, void *data, size_t size);

    // The plain system calls.
    static FileOps &system();
};

// The calls of another FileOps, but every regular file opened only to be read has its pages dropped from memory first:
// a read-back after a flush reads what the card holds, not what the computer remembers writing to it. A card that
// dropped a write is found so; a file whose pages cannot be dropped cannot be read.
class CardReads final : public FileOps
{
public:
    explicit CardReads(FileOps &ops)
        : m_ops(ops)
    {
    }
    int openat(int folder, const char *name, int flags, mode_t mode) override;
    ssize_t read(int fd, void *data, size_t size) override { return m_ops.read(fd, data, size); }
    ssize_t write(int fd, const void *data, size_t size) override { return m_ops.write(fd, data, size); }
    int fsync(int fd) override { return m_ops.fsync(fd); }
    ssize_t copyFileRange(int from, int to, size_t size) override { return m_ops.copyFileRange(from, to, size); }
    int syncfs(int fd) override { return m_ops.syncfs(fd); }
    int close(int fd) override { return m_ops.close(fd); }
    int renameat(int fromFolder, const char *from, int toFolder, const char *to) override
    {
        return m_ops.renameat(fromFolder, from, toFolder, to);
    }
    int unlinkat(int folder, const char *name, int flags) override { return m_ops.unlinkat(folder, name, flags); }
    int mkdirat(int folder, const char *name, mode_t mode) override { return m_ops.mkdirat(folder, name, mode); }
    int fstatvfs(int fd, struct statvfs *room) override { return m_ops.fstatvfs(fd, room); }
    int dropCached(int fd) override { return m_ops.dropCached(fd); }

private:
    FileOps &m_ops;
};

// An open descriptor, closed when it goes out of scope.
class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    ~Fd() { reset(); }
    Fd(Fd &&other) noexcept
        : m_fd(other.release())
    {
    }
    Fd &operator=(Fd &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_fd = other.release();
        }
        return *this;
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset();

private:
    int m_fd = -1;
};

} // namespace Vexolo
