#include "fleet/fleetgit_p.h"
#include "fleet/fleetremote_p.h"
#include "fleet/fleetrepository.h"
#include "storage/cardread.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <set>

#include <git2/sys/odb_backend.h>

// Sharing the fleet with a git remote: fetch, merge each branch, push.

namespace Vexolo {

using namespace FleetGit;

namespace {

const char Origin[] = "origin";
const QByteArray RemotePrefix = QByteArrayLiteral("refs/remotes/origin/");

QByteArrayList linesOf(const QByteArray &bytes)
{
    QByteArrayList lines = bytes.split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

QMap<QByteArray, QByteArray> playersByKey(const QByteArray &bytes)
{
    QMap<QByteArray, QByteArray> players;
    for (const QByteArray &line : linesOf(bytes))
        players.insert(line.left(line.indexOf('\t')), line);
    return players;
}

// The players of either register.
QByteArrayList keysOf(const QMap<QByteArray, QByteArray> &one, const QMap<QByteArray, QByteArray> &other)
{
    QByteArrayList keys = one.keys() + other.keys();
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

// A player changed on both sides: this side's line is kept (the other's where this side forgot the player), and what
// the other side holds goes into its notes, so the user settles it and nothing is lost.
QByteArray conflicted(const QByteArray &here, const QByteArray &there, QStringList &conflicts)
{
    QByteArrayList fields = (here.isEmpty() ? there : here).split('\t');
    while (fields.size() < 4)
        fields.append(QByteArray());
    QString what;
    QString note = QStringLiteral("forgotten on one computer, changed on another");
    if (here.isEmpty() || there.isEmpty()) {
        what = here.isEmpty() ? QStringLiteral("forgotten on this computer, changed on the other: kept")
                              : QStringLiteral("forgotten on the other computer, changed on this one: kept");
    } else {
        const QByteArrayList others = there.split('\t');
        QStringList differ;
        for (qsizetype i = 1; i < std::max(fields.size(), others.size()); ++i) {
            static const char *const names[] = {"", "name", "location", "notes"};
            if (others.value(i) != fields.value(i))
                differ.append(QStringLiteral("%1 \"%2\"")
                                  .arg(i < 4 ? QString::fromLatin1(names[i]) : QStringLiteral("field %1").arg(i + 1),
                                       QString::fromUtf8(others.value(i))));
        }
        note = QStringLiteral("another computer had %1").arg(differ.join(QStringLiteral(", ")));
        what = QStringLiteral("this computer's kept; the other had %1").arg(differ.join(QStringLiteral(", ")));
    }
    fields[3] += (fields[3].isEmpty() ? "" : " ") + QStringLiteral("[to settle: %1]").arg(note).toUtf8();
    conflicts.append(QStringLiteral("Conflict: \"%1\" was changed on both computers: %2 (in its notes, to settle).")
                         .arg(QString::fromUtf8(fields[1]), what));
    return fields.join('\t');
}

// The register: each player as the side that changed it since base has it; changed on both, conflicted.
QByteArray mergeRegister(const QByteArray &base, const QByteArray &ours, const QByteArray &theirs,
                         QStringList &conflicts)
{
    const QMap<QByteArray, QByteArray> old = playersByKey(base);
    const QMap<QByteArray, QByteArray> mine = playersByKey(ours);
    const QMap<QByteArray, QByteArray> other = playersByKey(theirs);
    QMap<QByteArray, QByteArray> merged = mine;
    for (const QByteArray &key : keysOf(mine, other)) {
        const QByteArray was = old.value(key);
        const QByteArray here = mine.value(key);
        const QByteArray there = other.value(key);
        if (here == there || there == was)
            continue;
        if (here == was && there.isEmpty())
            merged.remove(key);
        else
            merged.insert(key, here == was ? there : conflicted(here, there, conflicts));
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
                git_oid *tree, QStringList &conflicts)
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
                     file.key() == PlayersFile ? mergeRegister(old.value(file.key()), mine, file.value(), conflicts)
                                               : mergeLog(mine, file.value()));
    }
    return writeTree(repository, files, tree);
}

// Brings the local branch up to the fetched one: made, moved ahead, left (it is ahead), or merged.
bool mergeBranch(git_repository *repository, const QByteArray &fetched, QStringList &conflicts)
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
    return mine && other && mergedTree(repository, branch, mine.get(), other.get(), &tree, conflicts)
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

// The pack files of the repository, to tell which ones a fetch brought.
QStringList packFiles(const QString &repositoryPath)
{
    return QDir(repositoryPath + QStringLiteral("/objects/pack")).entryList(QDir::Files, QDir::Name);
}

void removeNewPacks(const QString &repositoryPath, const QStringList &before)
{
    QDir folder(repositoryPath + QStringLiteral("/objects/pack"));
    for (const QString &name : packFiles(repositoryPath)) {
        if (!before.contains(name))
            folder.remove(name);
    }
}

void forgetFetched(git_repository *repository)
{
    for (const QString &fetched : branchesOf(repository, "refs/remotes/origin/*")) {
        git_reference *reference = nullptr;
        if (git_reference_lookup(&reference, repository, fetched.toUtf8().constData()) == 0) {
            git_reference_delete(reference);
            git_reference_free(reference);
        }
    }
}

// Anything larger than the fleet ever writes is damage, found from the object's header before it is inflated.
qint64 objectBound(git_object_t type, const SyncLimits &limits)
{
    switch (type) {
    case GIT_OBJECT_BLOB:
        return limits.objectBytes;
    case GIT_OBJECT_COMMIT:
    case GIT_OBJECT_TREE:
    case GIT_OBJECT_TAG:
        return 1024 * 1024;
    default:
        return -1;
    }
}

QString damage(const git_oid *oid, git_object_t type, size_t size)
{
    return QStringLiteral("the fleet's data is damaged: %1 is a %2 of %3 bytes")
        .arg(shortId(oid), QString::fromLatin1(git_object_type2string(type)))
        .arg(size);
}

// Every object the fetch brought (the packs that were not there before), sized by its header.
std::optional<QString> checkPack(const QString &index, const SyncLimits &limits)
{
    git_odb_backend *backend = nullptr;
    git_odb *made = nullptr;
    if (git_odb_backend_one_pack(&backend, QFile::encodeName(index).constData()) != 0 || git_odb_new(&made) != 0
        || git_odb_add_backend(made, backend, 1) != 0) {
        if (backend && !made)
            backend->free(backend);
        git_odb_free(made);
        return QStringLiteral("the fleet's data is damaged: %1").arg(lastError());
    }
    const std::unique_ptr<git_odb, void (*)(git_odb *)> odb(made, git_odb_free);
    std::vector<git_oid> objects;
    const auto collect = [](const git_oid *oid, void *payload) {
        static_cast<std::vector<git_oid> *>(payload)->push_back(*oid);
        return 0;
    };
    if (git_odb_foreach(odb.get(), collect, &objects) != 0)
        return QStringLiteral("the fleet's data is damaged: %1").arg(lastError());
    for (const git_oid &oid : objects) {
        size_t size = 0;
        git_object_t type = GIT_OBJECT_INVALID;
        if (git_odb_read_header(&size, &type, odb.get(), &oid) != 0)
            return QStringLiteral("the fleet's data is damaged: %1").arg(lastError());
        if (qint64(size) > objectBound(type, limits))
            return damage(&oid, type, size);
    }
    return {};
}

// The files of a fetched branch's newest commit, each within what the fleet writes there.
std::optional<QString> checkTip(git_repository *repository, const QByteArray &fetched)
{
    QString error;
    const std::optional<git_oid> tip = tipOf(repository, fetched.constData(), error);
    const Owned<git_commit> commit = tip ? commitOf(repository, *tip, error) : Owned<git_commit>();
    git_tree *made = nullptr;
    if (!commit || git_commit_tree(&made, commit.get()) != 0)
        return error.isEmpty()
            ? QStringLiteral("the fleet's data is damaged: %1 %2").arg(QString::fromUtf8(fetched), lastError())
            : error;
    const Owned<git_tree> tree(made);
    const bool fleet = fetched == RemotePrefix + QByteArray(FleetBranch).mid(11);
    git_odb *odb = nullptr;
    if (git_repository_odb(&odb, repository) != 0)
        return lastError();
    const std::unique_ptr<git_odb, void (*)(git_odb *)> owned(odb, git_odb_free);
    struct Walk
    {
        git_odb *odb;
        bool fleet;
        std::optional<QString> found;
    } walk {odb, fleet, {}};
    const auto visit = [](const char *root, const git_tree_entry *entry, void *payload) {
        auto *state = static_cast<Walk *>(payload);
        if (git_tree_entry_type(entry) != GIT_OBJECT_BLOB)
            return 0;
        size_t size = 0;
        git_object_t type = GIT_OBJECT_INVALID;
        const QByteArray path = QByteArray(root) + git_tree_entry_name(entry);
        const qint64 bound = !state->fleet ? ProgramFileLimit : path == PlayersFile ? qint64(8) << 20 : -1;
        if (git_odb_read_header(&size, &type, state->odb, git_tree_entry_id(entry)) != 0)
            state->found = QStringLiteral("the fleet's data is damaged: %1").arg(lastError());
        else if (bound >= 0 && qint64(size) > bound)
            state->found = damage(git_tree_entry_id(entry), type, size);
        return state->found ? -1 : 0;
    };
    git_tree_walk(tree.get(), GIT_TREEWALK_PRE, visit, &walk);
    return walk.found;
}

// What one side of a sync holds: the tips of its cards' branches, its register by player, its log lines.
struct Side
{
    std::vector<git_oid> cardTips;
    QMap<QByteArray, QByteArray> players;
    QSet<QByteArray> logLines;
};

// The side whose branches are under prefix ("refs/heads/", or the fetched ones); error set when it cannot be read.
Side sideOf(git_repository *repository, const QByteArray &prefix, QString &error)
{
    Side side;
    for (const QString &branch : branchesOf(repository, (prefix + "cards/*").constData())) {
        if (const std::optional<git_oid> tip = tipOf(repository, branch.toUtf8().constData(), error))
            side.cardTips.push_back(*tip);
    }
    const std::optional<git_oid> fleet = tipOf(repository, (prefix + "fleet").constData(), error);
    const Owned<git_commit> commit = fleet ? commitOf(repository, *fleet, error) : Owned<git_commit>();
    if (!commit)
        return side;
    const QMap<QByteArray, QByteArray> files
        = filesOf(repository, commit.get(), std::max(PlayersFileLimit, LogFileLimit), error);
    side.players = playersByKey(files.value(PlayersFile));
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        if (file.key().startsWith(LogFolder + '/')) {
            for (const QByteArray &line : linesOf(file.value()))
                side.logLines.insert(line);
        }
    }
    return side;
}

// How many of the commits reached from tips (through their parents, short of those seen) are versions, not merges.
// Each commit is checked before it is parsed, as the history does.
int versionsReached(git_repository *repository, std::vector<git_oid> next, std::set<QByteArray> &seen, QString &error)
{
    int versions = 0;
    while (!next.empty() && error.isEmpty()) {
        const git_oid id = next.back();
        next.pop_back();
        if (!seen.insert(QByteArray(reinterpret_cast<const char *>(id.id), GIT_OID_RAWSZ)).second)
            continue;
        const Owned<git_commit> commit = commitOf(repository, id, error);
        if (!commit)
            break;
        const unsigned int parents = git_commit_parentcount(commit.get());
        versions += parents <= 1 ? 1 : 0;
        for (unsigned int n = 0; n < parents; ++n)
            next.push_back(*git_commit_parent_id(commit.get(), n));
    }
    return versions;
}

// What to holds that from does not.
SyncSummary::Moved movedBetween(git_repository *repository, const Side &from, const Side &to, QString &error)
{
    SyncSummary::Moved moved;
    std::set<QByteArray> seen;
    versionsReached(repository, from.cardTips, seen, error);
    moved.versions = versionsReached(repository, to.cardTips, seen, error);
    for (const QByteArray &key : keysOf(from.players, to.players))
        moved.players += from.players.value(key) != to.players.value(key) ? 1 : 0;
    for (const QByteArray &line : to.logLines)
        moved.logLines += from.logLines.contains(line) ? 0 : 1;
    return moved;
}

// Each of our branches to the remote's branch of the same name; what failed, or none.
std::optional<QString> pushAll(git_repository *repository, const QString &path, const QByteArray &url,
                               const SyncLimits &limits)
{
    const QString name = QString::fromUtf8(url);
    QByteArrayList pushes;
    for (const QString &branch : branchesOf(repository, "refs/heads/*"))
        pushes.append((branch + u':' + branch).toUtf8());
    const FleetRemote::Outcome pushed
        = pushes.isEmpty() ? FleetRemote::Outcome {true, {}, {}} : FleetRemote::push(path, url, pushes, limits);
    if (!pushed.refused.isEmpty())
        return QStringLiteral("%1 refused %2: %3")
            .arg(name, QString::fromUtf8(pushed.refused[0].first), QString::fromUtf8(pushed.refused[0].second));
    if (!pushed.ok)
        return QStringLiteral("%1: %2").arg(name, pushed.error);
    return {};
}

} // namespace

std::optional<QString> FleetRepository::fetchChecked(const QByteArray &url)
{
    forgetFetched(m_repository);
    const QStringList before = packFiles(m_path);
    const FleetRemote::Outcome fetched = FleetRemote::fetch(m_path, url, m_syncLimits);
    std::optional<QString> failed;
    if (!fetched.ok)
        failed = fetched.error;
    for (const QString &pack : packFiles(m_path)) {
        if (!failed && pack.endsWith(QStringLiteral(".idx")) && !before.contains(pack))
            failed = checkPack(m_path + QStringLiteral("/objects/pack/") + pack, m_syncLimits);
    }
    git_odb *odb = nullptr;
    if (git_repository_odb(&odb, m_repository) == 0) {
        git_odb_refresh(odb);
        git_odb_free(odb);
    }
    for (const QString &branch : branchesOf(m_repository, "refs/remotes/origin/*")) {
        if (!failed)
            failed = checkTip(m_repository, branch.toUtf8());
    }
    if (failed) {
        forgetFetched(m_repository);
        removeNewPacks(m_path, before);
    }
    return failed;
}

std::optional<SyncSummary> FleetRepository::sync(const QString &remote)
{
    if (!m_repository)
        return {};
    git_remote *made = nullptr;
    const bool known = git_remote_lookup(&made, m_repository, Origin) == 0;
    const Owned<git_remote> origin(made);
    const QByteArray url = !remote.isEmpty()    ? remoteUrl(remote).toUtf8()
        : known && git_remote_url(origin.get()) ? QByteArray(git_remote_url(origin.get()))
                                                : QByteArray();
    if (url.isEmpty()) {
        m_error = QStringLiteral("no remote given, and none used before");
        return {};
    }
    QString error;
    const Side before = sideOf(m_repository, "refs/heads/", error);
    if (const std::optional<QString> failed = error.isEmpty() ? fetchChecked(url) : error) {
        m_error = QStringLiteral("%1: %2").arg(QString::fromUtf8(url), *failed);
        return {};
    }
    SyncSummary summary;
    const Side theirs = sideOf(m_repository, RemotePrefix, error);
    for (const QString &fetched : branchesOf(m_repository, "refs/remotes/origin/*")) {
        if (error.isEmpty() && !mergeBranch(m_repository, fetched.toUtf8(), summary.conflicts))
            error = QStringLiteral("%1: %2").arg(fetched, lastError());
    }
    // Counted before the push, so nothing is sent that cannot be told.
    const Side after = error.isEmpty() ? sideOf(m_repository, "refs/heads/", error) : Side();
    summary.pulled = movedBetween(m_repository, before, after, error);
    summary.pushed = movedBetween(m_repository, theirs, after, error);
    if (const std::optional<QString> failed
        = error.isEmpty() ? pushAll(m_repository, m_path, url, m_syncLimits) : error) {
        m_error = *failed;
        return {};
    }
    // Remembered only now, so a remote that failed is never tried again unasked.
    if (known ? git_remote_set_url(m_repository, Origin, url.constData()) != 0
              : git_remote_create(&made, m_repository, Origin, url.constData()) != 0) {
        m_error = lastError();
        return {};
    }
    if (!known)
        git_remote_free(made);
    return summary;
}

} // namespace Vexolo
