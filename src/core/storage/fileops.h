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

    // read, again while a signal interrupts it before it has read anything.
    ssize_t readRetrying(int fd, void *data, size_t size);

    // The plain system calls.
    static FileOps &system();
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
