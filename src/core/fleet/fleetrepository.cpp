#include "fleet/fleetrepository.h"

#include "storage/cardfiles.h"
#include "storage/cardtext.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTimeZone>

#include <git2.h>

namespace Vexolo {

namespace {

struct Library
{
    Library() { git_libgit2_init(); }
    ~Library() { git_libgit2_shutdown(); }
    Q_DISABLE_COPY_MOVE(Library)
};

struct GitFree
{
    void operator()(git_tree *tree) const { git_tree_free(tree); }
    void operator()(git_commit *commit) const { git_commit_free(commit); }
    void operator()(git_treebuilder *builder) const { git_treebuilder_free(builder); }
    void operator()(git_signature *signature) const { git_signature_free(signature); }
    void operator()(git_blob *blob) const { git_blob_free(blob); }
    void operator()(git_reference *reference) const { git_reference_free(reference); }
    void operator()(git_tree_entry *entry) const { git_tree_entry_free(entry); }
};
template<typename T> using Owned = std::unique_ptr<T, GitFree>;

const char FleetBranch[] = "refs/heads/fleet";
const QByteArray PlayersFile = QByteArrayLiteral("players.tsv");
const QByteArray LogFolder = QByteArrayLiteral("log");

QString lastError()
{
    const git_error *error = git_error_last();
    return error && error->message ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
}

// A card's branch: a UUID as it is, anything else (a folder, an odd UUID) by its hash, so any key makes a valid
// branch name.
QByteArray branchOf(const QString &key)
{
    static const QRegularExpression plainUuid(QStringLiteral("^uuid:[0-9A-Za-z-]{1,64}$"));
    const QByteArray name = plainUuid.match(key).hasMatch()
        ? key.toLatin1().replace(':', '-')
        : "key-" + QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(24);
    return "refs/heads/cards/" + name;
}

QString shortId(const git_oid *oid)
{
    char text[GIT_OID_HEXSZ + 1];
    git_oid_tostr(text, sizeof text, oid);
    return QString::fromLatin1(text, 12);
}

std::optional<git_oid> tipOf(git_repository *repository, const char *branch)
{
    git_oid oid;
    if (git_reference_name_to_id(&oid, repository, branch) != 0)
        return std::nullopt;
    return oid;
}

Owned<git_commit> commitOf(git_repository *repository, const git_oid &oid)
{
    git_commit *commit = nullptr;
    git_commit_lookup(&commit, repository, &oid);
    return Owned<git_commit>(commit);
}

// A tree of files named "name" or "folder/name".
bool writeTree(git_repository *repository, const QMap<QByteArray, QByteArray> &files, git_oid *out)
{
    git_treebuilder *made = nullptr;
    if (git_treebuilder_new(&made, repository, nullptr) != 0)
        return false;
    const Owned<git_treebuilder> builder(made);
    QMap<QByteArray, QMap<QByteArray, QByteArray>> folders;
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        const qsizetype slash = file.key().indexOf('/');
        if (slash > 0) {
            folders[file.key().left(slash)].insert(file.key().mid(slash + 1), file.value());
            continue;
        }
        git_oid blob;
        if (git_blob_create_from_buffer(&blob, repository, file.value().constData(), size_t(file.value().size())))
            return false;
        // A name git refuses (".git") is no setup file: it is left out, the rest is kept.
        git_treebuilder_insert(nullptr, builder.get(), file.key().constData(), &blob, GIT_FILEMODE_BLOB);
    }
    for (auto folder = folders.cbegin(); folder != folders.cend(); ++folder) {
        git_oid tree;
        if (!writeTree(repository, folder.value(), &tree)
            || git_treebuilder_insert(nullptr, builder.get(), folder.key().constData(), &tree, GIT_FILEMODE_TREE))
            return false;
    }
    return git_treebuilder_write(out, builder.get()) == 0;
}

// The files of a tree and its folders, none larger than limit.
void readTree(git_repository *repository, const git_tree *tree, const QByteArray &prefix, qint64 limit,
              QMap<QByteArray, QByteArray> &files, int depth = 0)
{
    for (size_t i = 0; i < git_tree_entrycount(tree); ++i) {
        const git_tree_entry *entry = git_tree_entry_byindex(tree, i);
        const QByteArray name = prefix + git_tree_entry_name(entry);
        if (git_tree_entry_type(entry) == GIT_OBJECT_TREE && depth == 0) {
            git_tree *folder = nullptr;
            if (git_tree_lookup(&folder, repository, git_tree_entry_id(entry)) == 0) {
                const Owned<git_tree> owned(folder);
                readTree(repository, folder, name + '/', limit, files, depth + 1);
            }
        } else if (git_tree_entry_type(entry) == GIT_OBJECT_BLOB) {
            git_blob *blob = nullptr;
            if (git_blob_lookup(&blob, repository, git_tree_entry_id(entry)) != 0)
                continue;
            const Owned<git_blob> owned(blob);
            const auto size = qint64(git_blob_rawsize(blob));
            if (size <= limit)
                files.insert(name, QByteArray(static_cast<const char *>(git_blob_rawcontent(blob)), size));
        }
    }
}

QMap<QByteArray, QByteArray> filesOf(git_repository *repository, const git_commit *commit, qint64 limit)
{
    QMap<QByteArray, QByteArray> files;
    git_tree *tree = nullptr;
    if (git_commit_tree(&tree, commit) == 0) {
        const Owned<git_tree> owned(tree);
        readTree(repository, tree, {}, limit, files);
    }
    return files;
}

bool commitTree(git_repository *repository, const char *branch, const git_oid &treeId,
                const std::optional<git_oid> &parentId, const QString &message, git_oid *out)
{
    // Who recorded it, for a fleet shared by a team.
    const QByteArray user = qEnvironmentVariable("USER", QStringLiteral("technician")).toUtf8();
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    git_signature *made = nullptr;
    if (git_signature_now(&made, user.constData(), (user + '@' + host).constData()) != 0)
        return false;
    const Owned<git_signature> signature(made);
    git_tree *tree = nullptr;
    if (git_tree_lookup(&tree, repository, &treeId) != 0)
        return false;
    const Owned<git_tree> ownedTree(tree);
    const Owned<git_commit> parent = parentId ? commitOf(repository, *parentId) : Owned<git_commit>();
    if (parentId && !parent)
        return false;
    const git_commit *parents[] = {parent.get()};
    return git_commit_create(out, repository, branch, signature.get(), signature.get(), nullptr,
                             message.toUtf8().constData(), tree, parent ? 1 : 0, parents)
        == 0;
}

// The branch's commits, newest first, following the first parent, at most limit of them.
std::vector<Owned<git_commit>> chainOf(git_repository *repository, const char *branch, int limit)
{
    std::vector<Owned<git_commit>> chain;
    const std::optional<git_oid> tip = tipOf(repository, branch);
    Owned<git_commit> commit = tip ? commitOf(repository, *tip) : Owned<git_commit>();
    while (commit && int(chain.size()) < limit) {
        git_commit *parent = nullptr;
        if (git_commit_parentcount(commit.get()) > 0)
            git_commit_parent(&parent, commit.get(), 0);
        chain.push_back(std::move(commit));
        commit.reset(parent);
    }
    return chain;
}

// Keeps the newest VersionLimit versions of a card once it has a quarter more: the kept ones are written again,
// the oldest of them without a parent.
void prune(git_repository *repository, const QByteArray &branch)
{
    constexpr int limit = FleetRepository::VersionLimit;
    std::vector<Owned<git_commit>> chain = chainOf(repository, branch.constData(), limit + limit / 4 + 1);
    if (int(chain.size()) <= limit + limit / 4)
        return;
    chain.resize(limit);
    std::optional<git_oid> parentId;
    for (auto commit = chain.rbegin(); commit != chain.rend(); ++commit) {
        const Owned<git_commit> parent = parentId ? commitOf(repository, *parentId) : Owned<git_commit>();
        const git_commit *parents[] = {parent.get()};
        git_tree *tree = nullptr;
        if (git_commit_tree(&tree, commit->get()) != 0)
            return;
        const Owned<git_tree> owned(tree);
        git_oid made;
        if (git_commit_create(&made, repository, nullptr, git_commit_author(commit->get()),
                              git_commit_committer(commit->get()), git_commit_message_encoding(commit->get()),
                              git_commit_message(commit->get()), tree, parent ? 1 : 0, parents)
            != 0)
            return;
        parentId = made;
    }
    git_reference *moved = nullptr;
    if (git_reference_create(&moved, repository, branch.constData(), &*parentId, 1, "keep the newest versions") == 0)
        git_reference_free(moved);
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
    if (contents.listing != CardStore::ListingState::Missing && !contents.listingBytes.isNull())
        files.insert(programs + encodeFileName(RootDirFileName), contents.listingBytes);
    for (const CardStore::CardFile &file : contents.commandFiles) {
        if (file.status == ReadStatus::Read)
            files.insert(file.rawName, file.bytes);
    }
    return files;
}

FleetRepository::FleetRepository(const QString &path)
    : m_path(path)
{
    static const Library library;
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
    const QByteArray branch = branchOf(cardKey);
    const std::optional<git_oid> tip = tipOf(m_repository, branch.constData());
    git_oid tree;
    git_oid made;
    if (!writeTree(m_repository, files, &tree)) {
        m_error = lastError();
        return {};
    }
    if (tip) {
        const Owned<git_commit> newest = commitOf(m_repository, *tip);
        if (newest && git_oid_equal(git_commit_tree_id(newest.get()), &tree))
            return shortId(&*tip);
    }
    const QString message = QStringLiteral("%1\n\nCard: %2\n").arg(field(what), field(cardKey));
    if (!commitTree(m_repository, branch.constData(), tree, tip, message, &made)) {
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
        return versions;
    for (const Owned<git_commit> &commit : chainOf(m_repository, branchOf(cardKey).constData(), VersionLimit * 2)) {
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
        return std::nullopt;
    std::optional<SetupSnapshot> found;
    for (const Owned<git_commit> &commit : chainOf(m_repository, branchOf(cardKey).constData(), VersionLimit * 2)) {
        char text[GIT_OID_HEXSZ + 1];
        git_oid_tostr(text, sizeof text, git_commit_id(commit.get()));
        if (!QLatin1StringView(text).startsWith(id))
            continue;
        if (found)
            return std::nullopt; // more than one: the id is too short to tell
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
    const std::optional<git_oid> tip = tipOf(m_repository, FleetBranch);
    const Owned<git_commit> commit = tip ? commitOf(m_repository, *tip) : Owned<git_commit>();
    QMap<QByteArray, QByteArray> files = commit ? filesOf(m_repository, commit.get(), INT_MAX) : decltype(files)();
    files.insert(path, bytes);
    git_oid tree;
    git_oid made;
    if (!writeTree(m_repository, files, &tree) || !commitTree(m_repository, FleetBranch, tree, tip, message, &made)) {
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
    return std::nullopt;
}

bool FleetRepository::registerPlayer(const Player &player)
{
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
    return changeFleetFile(PlayersFile, bytes, QStringLiteral("Register %1").arg(field(player.name)));
}

bool FleetRepository::appendLog(const LogLine &line)
{
    const QDateTime utc = line.time.toUTC();
    const QByteArray path = LogFolder + '/' + utc.toString(QStringLiteral("yyyy-MM")).toLatin1() + ".tsv";
    const QStringList fields {utc.toString(Qt::ISODate),   field(line.player),  field(line.card),
                              field(line.reference),       field(line.version), QString::number(line.files),
                              QString::number(line.bytes), field(line.result)};
    return changeFleetFile(
        path, fleetFile(path) + fields.join(u'\t').toUtf8() + '\n',
        QStringLiteral("Log: %1 %2").arg(field(line.player.isEmpty() ? line.card : line.player), field(line.result)));
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
