#pragma once

#include "storage/fileops.h"

#include <QStringList>

#include <cerrno>
#include <fcntl.h>

// The file system calls with failures on demand: the calls named in failing fail with error, from
// the nth of them on ("open" opens to write; "read" opens to read, and reads).
class FailingFileOps final : public Vexolo::FileOps
{
public:
    QStringList failing; // "open", "read", "write", "fsync", "close", "rename", "unlink", "mkdir"
    int nth = 1;
    int error = EIO;

    // clang-format off
    int openat(int d, const char *n, int f, mode_t m) override
    { return fails((f & O_ACCMODE) ? "open" : "read") ? -1 : FileOps::openat(d, n, f, m); }
    ssize_t read(int fd, void *p, size_t n) override { return fails("read") ? -1 : FileOps::read(fd, p, n); }
    ssize_t write(int fd, const void *p, size_t n) override { return fails("write") ? -1 : FileOps::write(fd, p, n); }
    int fsync(int fd) override { return fails("fsync") ? -1 : FileOps::fsync(fd); }
    int close(int fd) override { return FileOps::close(fd) == 0 && !fails("close") ? 0 : -1; }
    int renameat(int d, const char *f, int e, const char *t) override
    { return fails("rename") ? -1 : FileOps::renameat(d, f, e, t); }
    int unlinkat(int d, const char *n, int f) override { return fails("unlink") ? -1 : FileOps::unlinkat(d, n, f); }
    int mkdirat(int d, const char *n, mode_t m) override { return fails("mkdir") ? -1 : FileOps::mkdirat(d, n, m); }
    // clang-format on

private:
    bool fails(const char *call)
    {
        if (!failing.contains(QLatin1String(call)) || ++m_calls < nth)
            return false;
        errno = error;
        return true;
    }
    int m_calls = 0;
};
