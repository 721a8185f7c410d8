#pragma once

#include "storage/fileops.h"

#include <QStringList>

#include <cerrno>

// The file system calls with failures on demand: every call named in failing fails with error.
class FailingFileOps final : public Vexolo::FileOps
{
public:
    QStringList failing; // "open", "write", "fsync", "close", "rename", "unlink", "mkdir"
    int error = EIO;

    int openat(int folder, const char *name, int flags, mode_t mode) override
    {
        return fails("open") ? -1 : FileOps::openat(folder, name, flags, mode);
    }
    ssize_t write(int fd, const void *data, size_t size) override
    {
        return fails("write") ? -1 : FileOps::write(fd, data, size);
    }
    int fsync(int fd) override { return fails("fsync") ? -1 : FileOps::fsync(fd); }
    int close(int fd) override { return fails("close") ? (FileOps::close(fd), -1) : FileOps::close(fd); }
    int renameat(int fromFolder, const char *from, int toFolder, const char *to) override
    {
        return fails("rename") ? -1 : FileOps::renameat(fromFolder, from, toFolder, to);
    }
    int unlinkat(int folder, const char *name, int flags) override
    {
        return fails("unlink") ? -1 : FileOps::unlinkat(folder, name, flags);
    }
    int mkdirat(int folder, const char *name, mode_t mode) override
    {
        return fails("mkdir") ? -1 : FileOps::mkdirat(folder, name, mode);
    }

private:
    bool fails(const char *call)
    {
        if (!failing.contains(QLatin1String(call)))
            return false;
        errno = error;
        return true;
    }
};
