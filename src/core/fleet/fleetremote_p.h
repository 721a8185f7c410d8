#pragma once

#include "fleet/fleetrepository.h"

#include <QByteArrayList>
#include <QString>

#include <functional>

struct git_repository;

// The network part of a sync, run in a child process that is ended when the remote stays silent: libgit2 has no
// time-out of its own, and a child killed mid-write leaves at most a temporary file, never a half-written reference.
namespace Vexolo::FleetRemote {

// What the child tells its parent, one line each.
class Channel final
{
public:
    explicit Channel(int fd)
        : m_fd(fd)
    {
    }
    // Any sign of life; sent at most a few times a second.
    void alive();
    void refused(const QByteArray &reference, const QByteArray &reason);
    void failed(const QString &message);

private:
    void send(char kind, const QByteArray &text);
    int m_fd;
    qint64 m_lastAlive = 0;
};

struct Outcome
{
    bool ok = false;
    QString error; // the child's own words, or why it was ended
    QList<QPair<QByteArray, QByteArray>> refused; // reference and the remote's reason
};

// Runs work in a child process with repositoryPath opened there; ended when it says nothing for limits.idle or runs
// longer than limits.total.
Outcome runInChild(const QString &repositoryPath, const SyncLimits &limits,
                   const std::function<bool(git_repository *, Channel &)> &work);

// Every branch of the remote at url into refs/remotes/origin/, bounded by limits.transferBytes.
Outcome fetch(const QString &repositoryPath, const QByteArray &url, const SyncLimits &limits);
Outcome push(const QString &repositoryPath, const QByteArray &url, const QByteArrayList &refspecs,
             const SyncLimits &limits);

// A remote that is a repository on this computer, read directly: its new objects written to ours as one pack,
// unpacked and without deltas, so no time goes into searching for them.
bool fetchFromPath(git_repository *repository, const QString &remotePath, const SyncLimits &limits, Channel &channel);

} // namespace Vexolo::FleetRemote
