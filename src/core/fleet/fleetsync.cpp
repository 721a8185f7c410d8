#include "fleet/fleetgit_p.h"
#include "fleet/fleetrepository.h"

#include <QDir>
#include <QFileInfo>

// Sharing the fleet with a git remote: fetch, merge each branch, push.

namespace Vexolo {

using namespace FleetGit;

namespace {

const char Origin[] = "origin";
const QByteArray RemotePrefix = QByteArrayLiteral("refs/remotes/origin/");

// An SSH key from the agent, or the system's own credentials; one go each, so a refused key is not offered forever.
int credentials(git_credential **out, const char *, const char *user, unsigned int allowed, void *payload)
{
    if ((*static_cast<int *>(payload))++ > 0)
        return GIT_EUSER;
    if (allowed & GIT_CREDENTIAL_SSH_KEY)
        return git_credential_ssh_key_from_agent(out, user ? user : "git");
    if (allowed & GIT_CREDENTIAL_DEFAULT)
        return git_credential_default_new(out);
    return GIT_PASSTHROUGH;
}

QByteArrayList linesOf(const QByteArray &bytes)
{
    QByteArrayList lines = bytes.split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

// The register: each player as the side that changed it since base has it, ours when both did.
QByteArray mergeRegister(const QByteArray &base, const QByteArray &ours, const QByteArray &theirs)
{
    const auto byKey = [](const QByteArray &bytes) {
        QMap<QByteArray, QByteArray> players;
        for (const QByteArray &line : linesOf(bytes))
            players.insert(line.left(line.indexOf('\t')), line);
        return players;
    };
    const QMap<QByteArray, QByteArray> old = byKey(base);
    QMap<QByteArray, QByteArray> merged = byKey(ours);
    const QMap<QByteArray, QByteArray> other = byKey(theirs);
    for (auto player = other.cbegin(); player != other.cend(); ++player) {
        if (merged.value(player.key()) == old.value(player.key()))
            merged.insert(player.key(), player.value());
    }
    QByteArray bytes;
    for (const QByteArray &line : std::as_const(merged))
        bytes += line + '\n';
    return bytes;
}

// A log file: every line of both, in time order (each starts with its time in UTC).
QByteArray mergeLog(const QByteArray &ours, const QByteArray &theirs)
{
    QByteArrayList lines = linesOf(ours) + linesOf(theirs);
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines.join('\n') + '\n';
}

// The tree of a merge of two tips that went apart: the fleet's files merged line by line, a card's newer setup.
bool mergedTree(git_repository *repository, const QByteArray &branch, const git_commit *ours, const git_commit *theirs,
                git_oid *tree)
{
    if (branch != FleetBranch) {
        const bool oursNewer = git_commit_time(ours) >= git_commit_time(theirs);
        git_oid_cpy(tree, git_commit_tree_id(oursNewer ? ours : theirs));
        return true;
    }
    git_oid baseId;
    QString error;
    const Owned<git_commit> base = git_merge_base(&baseId, repository, git_commit_id(ours), git_commit_id(theirs)) == 0
        ? commitOf(repository, baseId, error)
        : Owned<git_commit>();
    // The register and the months of the log, each within the larger of their bounds.
    const qint64 limit = std::max(PlayersFileLimit, LogFileLimit);
    const QMap<QByteArray, QByteArray> old = base ? filesOf(repository, base.get(), limit, error) : decltype(old)();
    QMap<QByteArray, QByteArray> files = error.isEmpty() ? filesOf(repository, ours, limit, error) : decltype(files)();
    const QMap<QByteArray, QByteArray> other
        = error.isEmpty() ? filesOf(repository, theirs, limit, error) : decltype(other)();
    if (!error.isEmpty()) {
        git_error_set_str(GIT_ERROR_INVALID, error.toUtf8().constData());
        return false;
    }
    for (auto file = other.cbegin(); file != other.cend(); ++file) {
        const QByteArray mine = files.value(file.key());
        files.insert(file.key(),
                     file.key() == PlayersFile ? mergeRegister(old.value(file.key()), mine, file.value())
                                               : mergeLog(mine, file.value()));
    }
    return writeTree(repository, files, tree);
}

// Brings the local branch up to the fetched one: made, moved ahead, left (it is ahead), or merged.
bool mergeBranch(git_repository *repository, const QByteArray &fetched)
{
    const QByteArray branch = "refs/heads/" + fetched.mid(RemotePrefix.size());
    QString error;
    const std::optional<git_oid> theirs = tipOf(repository, fetched.constData(), error);
    const std::optional<git_oid> ours = tipOf(repository, branch.constData(), error);
    git_reference *moved = nullptr;
    if (!theirs)
        return false;
    if (ours && (git_oid_equal(&*ours, &*theirs) || git_graph_descendant_of(repository, &*ours, &*theirs) == 1))
        return true;
    if (!ours || git_graph_descendant_of(repository, &*theirs, &*ours) == 1) {
        const bool made = git_reference_create(&moved, repository, branch.constData(), &*theirs, 1, "sync") == 0;
        git_reference_free(moved);
        return made;
    }
    const Owned<git_commit> mine = commitOf(repository, *ours, error);
    const Owned<git_commit> other = mine ? commitOf(repository, *theirs, error) : nullptr;
    if (!error.isEmpty())
        git_error_set_str(GIT_ERROR_INVALID, error.toUtf8().constData());
    git_oid tree;
    git_oid made;
    return mine && other && mergedTree(repository, branch, mine.get(), other.get(), &tree)
        && commitTree(repository, branch.constData(), tree, {mine.get(), other.get()},
                      QStringLiteral("Merge the fleet of another computer"), &made);
}

QStringList branchesOf(git_repository *repository, const char *glob)
{
    QStringList names;
    git_reference_iterator *made = nullptr;
    if (git_reference_iterator_glob_new(&made, repository, glob) != 0)
        return {};
    const Owned<git_reference_iterator> iterator(made);
    const char *name = nullptr;
    while (git_reference_next_name(&name, iterator.get()) == 0)
        names.append(QString::fromUtf8(name));
    return names;
}

// A remote named by a path (not a URL): absolute, and a shared repository made there when nothing is there yet.
QString remoteUrl(const QString &given)
{
    const bool url = given.contains(QStringLiteral("://")) || given.section(u'/', 0, 0).contains(u':');
    if (url)
        return given;
    const QString path = QDir::cleanPath(QFileInfo(given).absoluteFilePath());
    if (!QFileInfo::exists(path)) {
        git_repository *shared = nullptr;
        if (git_repository_init(&shared, QFile::encodeName(path).constData(), 1) == 0)
            git_repository_free(shared);
    }
    return path;
}

} // namespace

bool FleetRepository::sync(const QString &remote)
{
    if (!m_repository)
        return false;
    git_remote *made = nullptr;
    if (!remote.isEmpty()) {
        const QByteArray url = remoteUrl(remote).toUtf8();
        const int known = git_remote_lookup(&made, m_repository, Origin);
        git_remote_free(std::exchange(made, nullptr));
        if (known == 0 ? git_remote_set_url(m_repository, Origin, url.constData()) != 0
                       : git_remote_create(&made, m_repository, Origin, url.constData()) != 0) {
            m_error = lastError();
            return false;
        }
        git_remote_free(std::exchange(made, nullptr));
    }
    if (git_remote_lookup(&made, m_repository, Origin) != 0) {
        m_error = QStringLiteral("no remote given, and none used before");
        return false;
    }
    const Owned<git_remote> origin(made);
    int tries = 0;
    git_fetch_options fetch = GIT_FETCH_OPTIONS_INIT;
    fetch.callbacks.credentials = credentials;
    fetch.callbacks.payload = &tries;
    // Every branch of the remote, kept beside ours under refs/remotes/origin.
    char fetchMapping[] = "+refs/heads/*:refs/remotes/origin/*";
    char *fetchMappings[] = {fetchMapping};
    const git_strarray fetchList {fetchMappings, 1};
    if (git_remote_fetch(origin.get(), &fetchList, &fetch, "sync") != 0) {
        m_error = lastError();
        return false;
    }
    for (const QString &fetched : branchesOf(m_repository, "refs/remotes/origin/*")) {
        if (!mergeBranch(m_repository, fetched.toUtf8())) {
            m_error = QStringLiteral("%1: %2").arg(fetched, lastError());
            return false;
        }
    }
    // Each of our branches to the remote's branch of the same name.
    QByteArrayList pushes;
    for (const QString &branch : branchesOf(m_repository, "refs/heads/*"))
        pushes.append((branch + u':' + branch).toUtf8());
    std::vector<char *> pointers;
    for (QByteArray &push : pushes)
        pointers.push_back(push.data());
    const git_strarray pushList {pointers.data(), pointers.size()};
    tries = 0;
    git_push_options pushing = GIT_PUSH_OPTIONS_INIT;
    pushing.callbacks.credentials = credentials;
    pushing.callbacks.payload = &tries;
    if (!pointers.empty() && git_remote_push(origin.get(), &pushList, &pushing) != 0) {
        m_error = lastError();
        return false;
    }
    return true;
}

} // namespace Vexolo
