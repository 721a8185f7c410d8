#include "fleet/fleetrepository.h"

#include "fleet/fleetgit_p.h"
#include "storage/cardfiles.h"
#include "storage/cardtext.h"

#include <QDir>
#include <QMutex>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimeZone>

namespace Vexolo {

using namespace FleetGit;

namespace {

// Two cards made at once write the fleet from their own threads: one change of a branch at a time, so neither
// finds the branch moved under it.
QRecursiveMutex &writing()
{
    static QRecursiveMutex mutex;
    return mutex;
}

QString field(QString text)
{
    for (QChar &c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    }
    return text;
}

QList<QStringList> rowsOf(const QByteArray &bytes)
{
    QList<QStringList> rows;
    for (const QByteArray &line : bytes.split('\n')) {
        if (!line.isEmpty())
            rows.append(QString::fromUtf8(line).split(u'\t'));
    }
    return rows;
}

} // namespace

SetupSnapshot snapshotOf(const CardStore::Contents &contents)
{
    SetupSnapshot files;
    const QByteArray programs = encodeFileName(ProgramsFolderName) + '/';
    for (int n = 0; n < CardStore::ProgramCount; ++n) {
        for (const CardStore::CardFile *file : {&contents.programs[n], &contents.names[n]}) {
            if (file->status == ReadStatus::Read)
                files.insert(programs + file->rawName, file->bytes);
        }
    }
    if (!contents.listingBytes.isNull()) // read only where there is a listing
        files.insert(programs + encodeFileName(RootDirFileName), contents.listingBytes);
    for (const CardStore::CardFile &file : contents.commandFiles) {
        if (file.status == ReadStatus::Read)
            files.insert(file.rawName, file.bytes);
    }
    return files;
}

QString fleetChangeText(const FleetChange &change)
{
    return (change.part == FleetChange::Part::Register ? QStringLiteral("the register could not be written: %1")
                                                       : QStringLiteral("the log line could not be written: %1"))
        .arg(change.cause);
}

FleetRepository::FleetRepository(const QString &path)
    : m_path(path)
{
    static const FleetGit::Library library;
    // A tree is checked against the objects it names only where it is stored in full (writeTree).
    git_libgit2_opts(GIT_OPT_ENABLE_STRICT_OBJECT_CREATION, 0);
    const QByteArray where = QFile::encodeName(path);
    if (git_repository_open_bare(&m_repository, where.constData()) == 0)
        return;
    m_repository = nullptr;
    if (!QDir().mkpath(path) || git_repository_init(&m_repository, where.constData(), 1) != 0) {
        m_error = QStringLiteral("%1: %2").arg(path, lastError());
        m_repository = nullptr;
    }
}

FleetRepository::~FleetRepository()
{
    git_repository_free(m_repository);
}

QString FleetRepository::defaultPath()
{
    // One place for the window and the commands, whatever names the application object carries.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/vexolo-playlist-setup/fleet.git");
}

QString FleetRepository::record(const QString &cardKey, const SetupSnapshot &files, const QString &what)
{
    if (!m_repository)
        return {};
    const QMutexLocker locked(&writing());
    const QByteArray branch = branchOf(cardKey);
    const std::optional<git_oid> tip = tipOf(m_repository, branch.constData());
    git_oid tree;
    git_oid made;
    // Most writes find the setup as last recorded: that is told from the hashes alone, nothing is stored.
    const Owned<git_commit> newest = tip ? commitOf(m_repository, *tip) : Owned<git_commit>();
    if (newest && writeTree(m_repository, files, &tree, false)
        && git_oid_equal(git_commit_tree_id(newest.get()), &tree))
        return shortId(&*tip);
    if (!writeTree(m_repository, files, &tree)) {
        m_error = lastError();
        return {};
    }
    const QString message = QStringLiteral("%1\n\nCard: %2\n").arg(field(what), field(cardKey));
    std::vector<const git_commit *> parents;
    if (newest)
        parents.push_back(newest.get());
    if ((tip && !newest) || !commitTree(m_repository, branch.constData(), tree, parents, message, &made)) {
        m_error = lastError();
        return {};
    }
    prune(m_repository, branch);
    return shortId(&made);
}

QList<SetupVersion> FleetRepository::history(const QString &cardKey) const
{
    QList<SetupVersion> versions;
    if (!m_repository)
        return {};
    for (const Owned<git_commit> &commit : versionsOf(m_repository, branchOf(cardKey).constData(), VersionLimit * 2)) {
        const QDateTime time = QDateTime::fromSecsSinceEpoch(git_commit_time(commit.get()),
                                                             QTimeZone(git_commit_time_offset(commit.get()) * 60));
        versions.append(
            {shortId(git_commit_id(commit.get())), time, QString::fromUtf8(git_commit_summary(commit.get()))});
    }
    return versions;
}

std::optional<SetupSnapshot> FleetRepository::version(const QString &cardKey, const QString &id) const
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{4,40}$"));
    if (!m_repository || !hex.match(id).hasMatch())
        return {};
    std::optional<SetupSnapshot> found;
    for (const Owned<git_commit> &commit : versionsOf(m_repository, branchOf(cardKey).constData(), VersionLimit * 2)) {
        char text[GIT_OID_HEXSZ + 1];
        git_oid_tostr(text, sizeof text, git_commit_id(commit.get()));
        if (!QLatin1StringView(text).startsWith(id))
            continue;
        if (found)
            return {}; // more than one: the id is too short to tell
        found = filesOf(m_repository, commit.get(), ProgramFileLimit);
    }
    return found;
}

QByteArray FleetRepository::fleetFile(const QByteArray &path) const
{
    const std::optional<git_oid> tip = m_repository ? tipOf(m_repository, FleetBranch) : std::nullopt;
    const Owned<git_commit> commit = tip ? commitOf(m_repository, *tip) : Owned<git_commit>();
    git_tree *tree = nullptr;
    if (!commit || git_commit_tree(&tree, commit.get()) != 0)
        return {};
    const Owned<git_tree> ownedTree(tree);
    git_tree_entry *entry = nullptr;
    if (git_tree_entry_bypath(&entry, tree, path.constData()) != 0)
        return {};
    const Owned<git_tree_entry> ownedEntry(entry);
    git_blob *blob = nullptr;
    if (git_blob_lookup(&blob, m_repository, git_tree_entry_id(entry)) != 0)
        return {};
    const Owned<git_blob> owned(blob);
    return QByteArray(static_cast<const char *>(git_blob_rawcontent(blob)), qsizetype(git_blob_rawsize(blob)));
}

bool FleetRepository::changeFleetFile(const QByteArray &path, const QByteArray &bytes, const QString &message)
{
    if (!m_repository)
        return false;
    const QMutexLocker locked(&writing());
    const std::optional<git_oid> tip = tipOf(m_repository, FleetBranch);
    const Owned<git_commit> commit = tip ? commitOf(m_repository, *tip) : Owned<git_commit>();
    QMap<QByteArray, QByteArray> files = commit ? filesOf(m_repository, commit.get(), INT_MAX) : decltype(files)();
    files.insert(path, bytes);
    git_oid tree;
    git_oid made;
    std::vector<const git_commit *> parents;
    if (commit)
        parents.push_back(commit.get());
    if ((tip && !commit) || !writeTree(m_repository, files, &tree)
        || !commitTree(m_repository, FleetBranch, tree, parents, message, &made)) {
        m_error = lastError();
        return false;
    }
    return true;
}

QList<Player> FleetRepository::players() const
{
    QList<Player> players;
    for (const QStringList &row : rowsOf(fleetFile(PlayersFile))) {
        if (row.size() >= 2)
            players.append({row[0], row[1], row.value(2), row.value(3)});
    }
    return players;
}

std::optional<Player> FleetRepository::player(const QString &cardKey) const
{
    for (const Player &player : players()) {
        if (player.key == cardKey)
            return player;
    }
    return {};
}

FleetChange FleetRepository::registerPlayer(const Player &player)
{
    const QMutexLocker locked(&writing()); // read and changed as one
    QByteArray bytes;
    const auto line = [](const Player &row) {
        return QStringList({field(row.key), field(row.name), field(row.location), field(row.notes)})
                   .join(u'\t')
                   .toUtf8()
            + '\n';
    };
    for (const Player &other : players()) {
        if (other.key != player.key)
            bytes += line(other);
    }
    bytes += line(player);
    if (changeFleetFile(PlayersFile, bytes, QStringLiteral("Register %1").arg(field(player.name))))
        return {FleetChange::Part::Register, {}};
    return {FleetChange::Part::Register, m_error.isEmpty() ? QStringLiteral("unknown error") : m_error};
}

FleetChange FleetRepository::appendLog(const LogLine &line)
{
    const QMutexLocker locked(&writing()); // read and changed as one
    const QDateTime utc = line.time.toUTC();
    const QByteArray path = LogFolder + '/' + utc.toString(QStringLiteral("yyyy-MM")).toLatin1() + ".tsv";
    const QStringList fields {utc.toString(Qt::ISODate),   field(line.player),  field(line.card),
                              field(line.reference),       field(line.version), QString::number(line.files),
                              QString::number(line.bytes), field(line.result)};
    if (changeFleetFile(path, fleetFile(path) + fields.join(u'\t').toUtf8() + '\n',
                        QStringLiteral("Log: %1 %2")
                            .arg(field(line.player.isEmpty() ? line.card : line.player), field(line.result))))
        return {FleetChange::Part::Log, {}};
    return {FleetChange::Part::Log, m_error.isEmpty() ? QStringLiteral("unknown error") : m_error};
}

QList<LogLine> FleetRepository::log() const
{
    QList<LogLine> lines;
    QMap<QByteArray, QByteArray> files;
    const std::optional<git_oid> tip = m_repository ? tipOf(m_repository, FleetBranch) : std::nullopt;
    const Owned<git_commit> commit = tip ? commitOf(m_repository, *tip) : Owned<git_commit>();
    if (commit)
        files = filesOf(m_repository, commit.get(), INT_MAX);
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        if (!file.key().startsWith(LogFolder + '/'))
            continue;
        for (const QStringList &row : rowsOf(file.value())) {
            if (row.size() >= 8)
                lines.append({QDateTime::fromString(row[0], Qt::ISODate), row[1], row[2], row[3], row[4],
                              row[5].toLongLong(), row[6].toLongLong(), row[7]});
        }
    }
    return lines;
}

} // namespace Vexolo
