#pragma once

#include "storage/fileops.h"

#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>

// The file system calls with failures on demand: the calls named in failing fail with error, from
// the nth of them on to the last ("open" opens to write; "read" opens to read, and reads).
class FailingFileOps final : public Vexolo::FileOps
{
public:
    // "open", "read", "list" (opens a folder to list it), "write", "fsync", "syncfs", "close", "rename", "unlink",
    // "mkdir", "statvfs", "drop" (a file whose pages are dropped from memory then reads as zeros, as from a card
    // that silently kept none of what was written to it)
    QStringList failing;
    int nth = 1;
    int last = INT_MAX;
    int error = EIO; // 0: a write writes nothing, and says nothing

    int openat(int folder, const char *name, int flags, mode_t mode) override
    {
        waitWhileStuck();
        const char *call = (flags & O_DIRECTORY) ? "list" : (flags & O_ACCMODE) ? "open" : "read";
        const int fd = fails(call) ? -1 : FileOps::openat(folder, name, flags, mode);
        const std::lock_guard lock(m_gate);
        m_lost.erase(fd); // a number used again is another file
        return fd;
    }
    ssize_t read(int fd, void *data, size_t size) override
    {
        waitWhileStuck();
        const ssize_t got = fails("read") ? -1 : FileOps::read(fd, data, size);
        const std::lock_guard lock(m_gate);
        if (got > 0 && m_lost.count(fd))
            std::memset(data, 0, size_t(got));
        return got;
    }
    int dropCached(int fd) override
    {
        if (fails("drop")) {
            const std::lock_guard lock(m_gate);
            m_lost.insert(fd);
        }
        return FileOps::dropCached(fd);
    }
    ssize_t write(int fd, const void *data, size_t size) override
    {
        waitWhileStuck();
        return fails("write") ? (error ? -1 : 0) : FileOps::write(fd, data, size);
    }
    int fsync(int fd) override { return fails("fsync") ? -1 : FileOps::fsync(fd); }
    // A copy reads and writes through the calls above, as between file systems that cannot copy in the kernel,
    // unless told to copy in the kernel.
    bool kernelCopy = false;
    ssize_t copyFileRange(int from, int to, size_t size) override
    {
        return kernelCopy ? FileOps::copyFileRange(from, to, size) : (errno = EXDEV, -1);
    }
    int syncfs(int fd) override { return fails("syncfs") ? -1 : FileOps::syncfs(fd); }
    int close(int fd) override { return FileOps::close(fd) == 0 && !fails("close") ? 0 : -1; }
    int renameat(int fromFolder, const char *from, int toFolder, const char *to) override
    {
        waitWhileStuck();
        return fails("rename") ? -1 : FileOps::renameat(fromFolder, from, toFolder, to);
    }
    int unlinkat(int folder, const char *name, int flags) override
    {
        waitWhileStuck();
        return fails("unlink") ? -1 : FileOps::unlinkat(folder, name, flags);
    }
    int mkdirat(int folder, const char *name, mode_t mode) override
    {
        return fails("mkdir") ? -1 : FileOps::mkdirat(folder, name, mode);
    }
    int fstatvfs(int fd, struct statvfs *room) override { return fails("statvfs") ? -1 : FileOps::fstatvfs(fd, room); }

    // "call nth error last": the call fails from its nth on (the first when none) to its last (every one when
    // none), with error (EIO when none).
    void fail(const QString &calls)
    {
        const QStringList parts = calls.split(u' ');
        failing = {parts[0]};
        nth = parts.value(1).toInt();
        error = parts.size() > 2 ? parts[2].toInt() : EIO;
        last = parts.size() > 3 ? parts[3].toInt() : INT_MAX;
    }

    // A card that stops answering, as a hung reader does: every call from now on waits until it answers again.
    void stopAnswering()
    {
        const std::lock_guard lock(m_gate);
        m_stuck = true;
    }
    void answerAgain()
    {
        {
            const std::lock_guard lock(m_gate);
            m_stuck = false;
        }
        m_free.notify_all();
    }

private:
    void waitWhileStuck()
    {
        std::unique_lock lock(m_gate);
        m_free.wait(lock, [this] { return !m_stuck; });
    }
    std::mutex m_gate;
    std::condition_variable m_free;
    bool m_stuck = false;
    std::set<int> m_lost; // files read as the forgetful card holds them

    bool fails(const char *call)
    {
        if (!failing.contains(QLatin1String(call)) || ++m_calls < nth || m_calls > last)
            return false;
        errno = error;
        return true;
    }
    std::atomic<int> m_calls = 0;
};
