#include "fleet/fleetrepository.h"

#include "fleet/fleetgit_p.h"
#include "storage/cardfiles.h"
#include "storage/cardtext.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QMutex>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QTimeZone>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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

// Another program (a second apply, a window beside a command) may change the same branch at the same time: each
// read-change-commit holds an exclusive lock on a file in the repository, waited for no longer than LockWait, so no
// change is lost between another's read and commit.
class ProcessLock final
{
public:
    static constexpr int LockWait = 10000; // ms

    explicit ProcessLock(const QString &repository)
        : m_fd(::open(QFile::encodeName(repository + QStringLiteral("/vexolo.lock")).constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600))
    {
        const QDeadlineTimer deadline(LockWait);
        while (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
                m_error = errno == EWOULDBLOCK
                    ? QStringLiteral("another program has held the fleet's data for %1 s").arg(LockWait / 1000)
                    : QString::fromLocal8Bit(strerror(errno));
                return;
            }
            QThread::msleep(5);
        }
        if (m_fd < 0)
            m_error = QStringLiteral("its lock cannot be made: %1").arg(QString::fromLocal8Bit(strerror(errno)));
    }
    ~ProcessLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // and the lock with it
    }
    Q_DISABLE_COPY_MOVE(ProcessLock)

    // Why the lock is not held; empty when it is.
    QString error() const { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};

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
    switch (change.part) {
    case FleetChange::Part::Register:
        return QStringLiteral("the register could not be written: %1").arg(change.cause);
    case FleetChange::Part::Log:
        return QStringLiteral("the log line could not be written: %1").arg(change.cause);
    case FleetChange::Part::Refused:
        return change.cause;
    case FleetChange::Part::History:
        break;
    }
    return QStringLiteral("the card's history could not be kept: %1").arg(change.cause);
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
    // Two programs started at once make it once: the second finds it made.
    const QString folder = QFileInfo(path).absolutePath();
    const std::optional<ProcessLock> alone
        = QDir().mkpath(folder) ? std::make_optional<ProcessLock>(folder) : std::nullopt;
    if (alone && alone->error().isEmpty() && git_repository_open_bare(&m_repository, where.constData()) == 0)
        return;
    m_repository = nullptr;
    if (!alone || !alone->error().isEmpty() || !QDir().mkpath(path)
        || git_repository_init(&m_repository, where.constData(), 1) != 0) {
        m_error = QStringLiteral("%1: %2").arg(path, alone && !alone->error().isEmpty() ? alone->error() : lastError());
        m_repository = nullptr;
    }
}

QString FleetRepository::unopened() const
{
    return QStringLiteral("the fleet's data cannot be opened: %1").arg(m_error);
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
    const ProcessLock alone(m_path);
    if (!alone.error().isEmpty()) {
        m_error = alone.error();
        return {};
    }
    const QByteArray branch = branchOf(cardKey);
    QString error;
    const std::optional<git_oid> tip = tipOf(m_repository, branch.constData(), error);
    git_oid tree;
    git_oid made;
    // Most writes find the setup as last recorded: that is told from the hashes alone, nothing is stored.
    const Owned<git_commit> newest = tip ? commitOf(m_repository, *tip, error) : Owned<git_commit>();
    if (!error.isEmpty()) {
        m_error = error;
        return {};
    }
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
    if (!commitTree(m_repository, branch.constData(), tree, parents, message, &made)) {
        m_error = lastError();
        return {};
    }
    return shortId(&made);
}

FleetRead<QList<SetupVersion>> FleetRepository::history(const QString &cardKey, int skip, int limit) const
{
    FleetRead<QList<SetupVersion>> versions;
    if (!m_repository)
        return {{}, unopened()};
    for (const Owned<git_commit> &commit :
         versionsOf(m_repository, branchOf(cardKey).constData(), skip, limit, versions.error)) {
        const QDateTime time = QDateTime::fromSecsSinceEpoch(git_commit_time(commit.get()),
                                                             QTimeZone(git_commit_time_offset(commit.get()) * 60));
        versions.value.append(
            {shortId(git_commit_id(commit.get())), time, QString::fromUtf8(git_commit_summary(commit.get()))});
    }
    return versions;
}

FleetRead<std::optional<SetupSnapshot>> FleetRepository::version(const QString &cardKey, const QString &id) const
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{4,40}$"));
    if (!m_repository)
        return {{}, unopened()};
    git_oid given;
    git_oid full;
    git_odb *odb = nullptr;
    // Found by its id, not by a walk through every version: no more than one object may have an id so begun.
    if (!hex.match(id).hasMatch() || git_oid_fromstrn(&given, id.toLatin1().constData(), size_t(id.size())) != 0
        || git_repository_odb(&odb, m_repository) != 0)
        return {};
    const int found = git_odb_exists_prefix(&full, odb, &given, size_t(id.size()));
    git_odb_free(odb);
    if (found != 0)
        return {};
    const ObjectRead read = readObject(m_repository, full, GIT_OBJECT_COMMIT, CommitLimit, "version " + id.toUtf8());
    if (read.failure == ObjectRead::Failure::WrongType || read.failure == ObjectRead::Failure::Missing)
        return {};
    FleetRead<std::optional<SetupSnapshot>> version;
    const Owned<git_commit> commit = read.error.isEmpty() ? commitOf(m_repository, full, version.error) : nullptr;
    if (!read.error.isEmpty() || !commit)
        return {{}, read.error.isEmpty() ? version.error : read.error};
    // One of this card's versions: recorded for it, and no merge.
    const QByteArray trailer = "\n\nCard: " + field(cardKey).toUtf8() + '\n';
    if (git_commit_parentcount(commit.get()) > 1 || !QByteArray(git_commit_message(commit.get())).endsWith(trailer))
        return {};
    const SetupSnapshot files = filesOf(m_repository, commit.get(), SetupFileLimit, version.error);
    if (!version.failed())
        version.value = files;
    return version;
}

FleetRead<QByteArray> FleetRepository::fleetFile(const QByteArray &path, qint64 limit) const
{
    FleetRead<QByteArray> file;
    if (!m_repository)
        return {{}, unopened()};
    const Owned<git_tree> tree = tipTreeOf(m_repository, FleetBranch, FleetFiles, file.error);
    if (!tree)
        return file;
    ObjectRead read = fileOf(m_repository, tree.get(), path, limit);
    return {std::move(read.bytes), read.error};
}

// A tree as base (none: an empty one) with the file at path ("name" or "folder/name") in place of what was there.
bool FleetRepository::treeWith(const git_tree *base, const QByteArray &path, const git_oid &blob, git_oid *out)
{
    git_treebuilder *made = nullptr;
    if (git_treebuilder_new(&made, m_repository, base) != 0)
        return false;
    const Owned<git_treebuilder> builder(made);
    const qsizetype slash = path.indexOf('/');
    if (slash < 0)
        return git_treebuilder_insert(nullptr, builder.get(), path.constData(), &blob, GIT_FILEMODE_BLOB) == 0
            && git_treebuilder_write(out, builder.get()) == 0;
    const QByteArray name = path.left(slash);
    const git_tree_entry *entry = base ? git_tree_entry_byname(base, name.constData()) : nullptr;
    Owned<git_tree> folder;
    if (entry && git_tree_entry_type(entry) == GIT_OBJECT_TREE) {
        folder = treeOf(m_repository, *git_tree_entry_id(entry), name, m_error);
        if (!folder)
            return false;
    }
    git_oid inner;
    return treeWith(folder.get(), path.mid(slash + 1), blob, &inner)
        && git_treebuilder_insert(nullptr, builder.get(), name.constData(), &inner, GIT_FILEMODE_TREE) == 0
        && git_treebuilder_write(out, builder.get()) == 0;
}

bool FleetRepository::changeFleetFile(const QByteArray &path, const QByteArray &bytes, const QString &message)
{
    if (!m_repository)
        return false;
    const QMutexLocker locked(&writing());
    QString error;
    const std::optional<git_oid> tip = tipOf(m_repository, FleetBranch, error);
    const Owned<git_commit> commit = tip ? commitOf(m_repository, *tip, error) : Owned<git_commit>();
    const Owned<git_tree> tree
        = commit ? treeOf(m_repository, *git_commit_tree_id(commit.get()), FleetFiles, error) : Owned<git_tree>();
    if (!error.isEmpty()) {
        m_error = error;
        return false;
    }
    // Only the trees on the way to the file are read and written again; the other files are never read.
    git_oid blob;
    git_oid changed;
    git_oid made;
    std::vector<const git_commit *> parents;
    if (commit)
        parents.push_back(commit.get());
    m_error.clear();
    if (git_blob_create_from_buffer(&blob, m_repository, bytes.constData(), size_t(bytes.size())) != 0
        || !treeWith(tree.get(), path, blob, &changed)
        || !commitTree(m_repository, FleetBranch, changed, parents, message, &made)) {
        if (m_error.isEmpty())
            m_error = lastError();
        return false;
    }
    return true;
}

FleetRead<QList<Player>> FleetRepository::players() const
{
    const FleetRead<QByteArray> file = fleetFile(PlayersFile, PlayersFileLimit);
    FleetRead<QList<Player>> players {{}, file.error};
    for (const QStringList &row : rowsOf(file.value)) {
        bool sized = false;
        const qint64 bytes = row.value(5).toLongLong(&sized);
        if (row.size() >= 2)
            players.value.append({row[0], row[1], row.value(2), row.value(3), row.value(4), sized ? bytes : -1});
    }
    return players;
}

FleetRead<std::optional<Player>> FleetRepository::player(const QString &cardKey) const
{
    const FleetRead<QList<Player>> all = players();
    for (const Player &player : all.value) {
        if (player.key == cardKey)
            return {player, {}};
    }
    return {{}, all.error};
}

FleetChange FleetRepository::changeRegister(const std::function<QString(QList<Player> &)> &change,
                                            const QString &message)
{
    if (!m_repository)
        return {FleetChange::Part::Register, unopened()};
    const QMutexLocker locked(&writing()); // read and changed as one
    const ProcessLock alone(m_path);
    if (!alone.error().isEmpty())
        return {FleetChange::Part::Register, alone.error()};
    FleetRead<QList<Player>> known = players();
    if (known.failed())
        return {FleetChange::Part::Register, known.error};
    if (const QString refused = change(known.value); !refused.isEmpty())
        return {FleetChange::Part::Refused, refused};
    QByteArray bytes;
    for (const Player &row : std::as_const(known.value)) {
        QStringList fields {field(row.key), field(row.name), field(row.location), field(row.notes)};
        if (!row.label.isEmpty() || row.bytes >= 0)
            fields << field(row.label) << QString::number(row.bytes);
        bytes += fields.join(u'\t').toUtf8() + '\n';
    }
    if (bytes.size() > PlayersFileLimit)
        return {FleetChange::Part::Register,
                QStringLiteral("the register would hold more than %1 bytes").arg(PlayersFileLimit)};
    if (changeFleetFile(PlayersFile, bytes, field(message)))
        return {FleetChange::Part::Register, {}};
    return {FleetChange::Part::Register, m_error.isEmpty() ? QStringLiteral("unknown error") : m_error};
}

FleetChange FleetRepository::appendLog(const LogLine &line)
{
    static constexpr qsizetype LogMessageLength = 200;
    if (!m_repository)
        return {FleetChange::Part::History, unopened()};
    const QMutexLocker locked(&writing()); // read and changed as one
    const ProcessLock alone(m_path);
    if (!alone.error().isEmpty())
        return {FleetChange::Part::Log, alone.error()};
    const QDateTime utc = line.time.toUTC();
    const QByteArray path = LogFolder + '/' + utc.toString(QStringLiteral("yyyy-MM")).toLatin1() + ".tsv";
    const QStringList fields {utc.toString(Qt::ISODate),   field(line.player),  field(line.card),
                              field(line.reference),       field(line.version), QString::number(line.files),
                              QString::number(line.bytes), field(line.result)};
    const FleetRead<QByteArray> month = fleetFile(path, LogFileLimit);
    if (month.failed())
        return {FleetChange::Part::Log, month.error};
    const QByteArray bytes = month.value + fields.join(u'\t').toUtf8() + '\n';
    if (bytes.size() > LogFileLimit)
        return {FleetChange::Part::Log,
                QStringLiteral("the month's log would hold more than %1 bytes").arg(LogFileLimit)};
    // The commit's message only names the line: a long result (every track that failed) would make the commit larger
    // than the fleet's reading takes, and the whole log unreadable.
    if (changeFleetFile(path, bytes,
                        QStringLiteral("Log: %1 %2")
                            .arg(field(line.player.isEmpty() ? line.card : line.player), field(line.result))
                            .left(LogMessageLength)))
        return {FleetChange::Part::Log, {}};
    return {FleetChange::Part::Log, m_error.isEmpty() ? QStringLiteral("unknown error") : m_error};
}

FleetRead<QList<LogLine>> FleetRepository::log() const
{
    FleetRead<QList<LogLine>> lines;
    if (!m_repository)
        return {{}, unopened()};
    const Owned<git_tree> tree = tipTreeOf(m_repository, FleetBranch, FleetFiles, lines.error);
    const git_tree_entry *entry = tree ? git_tree_entry_byname(tree.get(), LogFolder.constData()) : nullptr;
    const Owned<git_tree> folder
        = entry ? treeOf(m_repository, *git_tree_entry_id(entry), LogFolder, lines.error) : Owned<git_tree>();
    // Only the log's own files, a month each, each read within its bound.
    for (size_t i = 0; folder && i < git_tree_entrycount(folder.get()); ++i) {
        const git_tree_entry *month = git_tree_entry_byindex(folder.get(), i);
        if (git_tree_entry_type(month) != GIT_OBJECT_BLOB)
            continue;
        const ObjectRead file = readObject(m_repository, *git_tree_entry_id(month), GIT_OBJECT_BLOB, LogFileLimit,
                                           LogFolder + '/' + git_tree_entry_name(month));
        if (!file.error.isEmpty())
            return {{}, file.error};
        for (const QStringList &row : rowsOf(file.bytes)) {
            if (row.size() >= 8)
                lines.value.append({QDateTime::fromString(row[0], Qt::ISODate), row[1], row[2], row[3], row[4],
                                    row[5].toLongLong(), row[6].toLongLong(), row[7]});
        }
    }
    return lines;
}

} // namespace Vexolo
