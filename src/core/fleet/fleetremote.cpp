#include "fleet/fleetremote_p.h"

#include "fleet/fleetgit_p.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Vexolo::FleetRemote {

using namespace FleetGit;

void Channel::alive()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastAlive < 200)
        return;
    m_lastAlive = now;
    send('p', {});
}

void Channel::refused(const QByteArray &reference, const QByteArray &reason)
{
    send('r', reference + '\t' + reason);
}

void Channel::failed(const QString &message)
{
    send('e', message.toUtf8());
}

void Channel::send(char kind, const QByteArray &text)
{
    QByteArray line = kind + QByteArray(text).replace('\n', ' ') + '\n';
    for (qsizetype done = 0; done < line.size();) {
        const ssize_t written = ::write(m_fd, line.constData() + done, size_t(line.size() - done));
        if (written < 0 && errno != EINTR)
            return;
        done += written > 0 ? written : 0;
    }
}

namespace {

[[noreturn]] void childMain(int fd, const QString &repositoryPath,
                            const std::function<bool(git_repository *, Channel &)> &work)
{
    Channel channel(fd);
    bool ok = false;
    git_repository *opened = nullptr;
    // The child's own handle: the parent's caches are not shared with what the child writes.
    if (git_repository_open_bare(&opened, QFile::encodeName(repositoryPath).constData()) != 0) {
        channel.failed(lastError());
    } else {
        const Owned<git_repository> repository(opened);
        try {
            ok = work(repository.get(), channel);
        } catch (...) {
            channel.failed(QStringLiteral("out of memory"));
        }
    }
    // No destructors of the parent's objects, no flushing of its buffers: only the parent ends them.
    ::_exit(ok ? 0 : 1);
}

Outcome outcomeOf(const QByteArray &said, int status)
{
    Outcome outcome;
    for (const QByteArray &line : said.split('\n')) {
        if (line.startsWith('e') && outcome.error.isEmpty())
            outcome.error = QString::fromUtf8(line.mid(1));
        else if (line.startsWith('r'))
            outcome.refused.append({line.mid(1, line.indexOf('\t') - 1), line.mid(line.indexOf('\t') + 1)});
    }
    outcome.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!outcome.ok && outcome.error.isEmpty())
        outcome.error = QStringLiteral("the transfer ended unexpectedly");
    return outcome;
}

} // namespace

Outcome runInChild(const QString &repositoryPath, const SyncLimits &limits,
                   const std::function<bool(git_repository *, Channel &)> &work)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return {false, QString::fromLocal8Bit(strerror(errno)), {}};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        childMain(ends[1], repositoryPath, work);
    }
    ::close(ends[1]);
    if (child < 0) {
        ::close(ends[0]);
        return {false, QString::fromLocal8Bit(strerror(errno)), {}};
    }
    const QDeadlineTimer total(limits.total);
    QDeadlineTimer idle(limits.idle);
    QByteArray said;
    bool silent = false;
    for (;;) {
        pollfd wait {ends[0], POLLIN, 0};
        const int ready = ::poll(&wait, 1, int(std::min(total.remainingTime(), idle.remainingTime())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            silent = true;
            break;
        }
        char buffer[4096];
        const ssize_t got = ::read(ends[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        // What the child says is bounded: a refusal per branch and one error.
        if (said.size() < 1024 * 1024)
            said.append(buffer, got);
        idle.setRemainingTime(limits.idle);
    }
    ::close(ends[0]);
    if (silent)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    if (silent) {
        const bool idled = !total.hasExpired();
        const auto seconds = double((idled ? limits.idle : limits.total).count()) / 1000.0;
        return {false,
                idled ? QStringLiteral("no answer for %1 s").arg(seconds)
                      : QStringLiteral("not done within %1 s").arg(seconds),
                {}};
    }
    return outcomeOf(said, status);
}

namespace {

struct Transfer
{
    Channel *channel;
    qint64 byteLimit;
    int tries = 0;
    bool tooLarge = false;
};

// An SSH key from the agent, or the system's own credentials; one go each, so a refused key is not offered forever.
int credentials(git_credential **out, const char *, const char *user, unsigned int allowed, void *payload)
{
    if (static_cast<Transfer *>(payload)->tries++ > 0)
        return GIT_EUSER;
    if (allowed & GIT_CREDENTIAL_SSH_KEY)
        return git_credential_ssh_key_from_agent(out, user ? user : "git");
    if (allowed & GIT_CREDENTIAL_DEFAULT)
        return git_credential_default_new(out);
    return GIT_PASSTHROUGH;
}

int received(const git_indexer_progress *stats, void *payload)
{
    auto *transfer = static_cast<Transfer *>(payload);
    transfer->channel->alive();
    transfer->tooLarge = qint64(stats->received_bytes) > transfer->byteLimit;
    return transfer->tooLarge ? GIT_EUSER : 0;
}

int told(const char *, int, void *payload)
{
    static_cast<Transfer *>(payload)->channel->alive();
    return 0;
}

int sent(unsigned int, unsigned int, size_t, void *payload)
{
    static_cast<Transfer *>(payload)->channel->alive();
    return 0;
}

int packed(int, uint32_t, uint32_t, void *payload)
{
    static_cast<Transfer *>(payload)->channel->alive();
    return 0;
}

// A refused reference is no error to libgit2: only this callback hears of it.
int updated(const char *reference, const char *status, void *payload)
{
    if (status)
        static_cast<Transfer *>(payload)->channel->refused(reference, status);
    return 0;
}

git_remote_callbacks callbacksFor(Transfer &transfer)
{
    git_remote_callbacks callbacks = GIT_REMOTE_CALLBACKS_INIT;
    callbacks.credentials = credentials;
    callbacks.transfer_progress = received;
    callbacks.sideband_progress = told;
    callbacks.push_transfer_progress = sent;
    callbacks.pack_progress = packed;
    callbacks.push_update_reference = updated;
    callbacks.payload = &transfer;
    return callbacks;
}

// A path, or a file:// URL: a repository on this computer.
std::optional<QString> localPath(const QByteArray &url)
{
    if (url.startsWith("file://"))
        return QString::fromUtf8(url.mid(7));
    if (!url.contains("://") && !url.split('/').constFirst().contains(':'))
        return QString::fromUtf8(url);
    return {};
}

} // namespace

Outcome fetch(const QString &repositoryPath, const QByteArray &url, const SyncLimits &limits)
{
    return runInChild(repositoryPath, limits, [&](git_repository *repository, Channel &channel) {
        if (const std::optional<QString> path = localPath(url))
            return fetchFromPath(repository, *path, limits, channel);
        git_remote *made = nullptr;
        if (git_remote_create_anonymous(&made, repository, url.constData()) != 0) {
            channel.failed(lastError());
            return false;
        }
        const Owned<git_remote> remote(made);
        Transfer transfer {&channel, limits.transferBytes};
        git_fetch_options options = GIT_FETCH_OPTIONS_INIT;
        options.callbacks = callbacksFor(transfer);
        options.download_tags = GIT_REMOTE_DOWNLOAD_TAGS_NONE;
        options.update_fetchhead = 0;
        char mapping[] = "+refs/heads/*:refs/remotes/origin/*";
        char *mappings[] = {mapping};
        const git_strarray list {mappings, 1};
        if (git_remote_fetch(remote.get(), &list, &options, "sync") != 0) {
            channel.failed(transfer.tooLarge
                               ? QStringLiteral("the remote sent more than %1 MB").arg(limits.transferBytes >> 20)
                               : lastError());
            return false;
        }
        return true;
    });
}

Outcome push(const QString &repositoryPath, const QByteArray &url, const QByteArrayList &refspecs,
             const SyncLimits &limits)
{
    return runInChild(repositoryPath, limits, [&](git_repository *repository, Channel &channel) {
        git_remote *made = nullptr;
        if (git_remote_create_anonymous(&made, repository, url.constData()) != 0) {
            channel.failed(lastError());
            return false;
        }
        const Owned<git_remote> remote(made);
        QByteArrayList mappings = refspecs;
        std::vector<char *> pointers;
        for (QByteArray &mapping : mappings)
            pointers.push_back(mapping.data());
        const git_strarray list {pointers.data(), pointers.size()};
        Transfer transfer {&channel, limits.transferBytes};
        git_push_options options = GIT_PUSH_OPTIONS_INIT;
        options.callbacks = callbacksFor(transfer);
        if (git_remote_push(remote.get(), &list, &options) != 0) {
            channel.failed(lastError());
            return false;
        }
        return true;
    });
}

} // namespace Vexolo::FleetRemote
