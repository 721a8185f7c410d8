#include "fleet/fleetgit_p.h"

#include "fleet/fleetrepository.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSysInfo>

#include <set>

// The git plumbing of the fleet's repository: trees of files, commits on a branch, a card's versions.

namespace Vexolo::FleetGit {

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

std::optional<git_oid> tipOf(git_repository *repository, const char *branch, QString &error)
{
    git_oid oid;
    const int found = git_reference_name_to_id(&oid, repository, branch);
    if (found == GIT_ENOTFOUND)
        return {};
    if (found != 0) {
        error = QStringLiteral("the fleet's data is damaged: %1 cannot be read: %2")
                    .arg(QString::fromUtf8(branch), lastError());
        return {};
    }
    return oid;
}

Owned<git_commit> commitOf(git_repository *repository, const git_oid &oid, QString &error)
{
    error = checkObject(repository, oid, GIT_OBJECT_COMMIT, CommitLimit, QByteArrayLiteral("a version"));
    git_commit *commit = nullptr;
    if (error.isEmpty() && git_commit_lookup(&commit, repository, &oid) != 0)
        error = QStringLiteral("the fleet's data is damaged: a version (object %1) %2").arg(shortId(&oid), lastError());
    return Owned<git_commit>(commit);
}

Owned<git_tree> treeOf(git_repository *repository, const git_oid &oid, const QByteArray &what, QString &error)
{
    error = checkObject(repository, oid, GIT_OBJECT_TREE, TreeLimit, what);
    git_tree *tree = nullptr;
    if (error.isEmpty() && git_tree_lookup(&tree, repository, &oid) != 0)
        error = QStringLiteral("the fleet's data is damaged: %1 (object %2) %3")
                    .arg(QString::fromUtf8(what), shortId(&oid), lastError());
    return Owned<git_tree>(tree);
}

Owned<git_tree> tipTreeOf(git_repository *repository, const char *branch, const QByteArray &what, QString &error)
{
    const std::optional<git_oid> tip = tipOf(repository, branch, error);
    const Owned<git_commit> commit = tip ? commitOf(repository, *tip, error) : Owned<git_commit>();
    return commit ? treeOf(repository, *git_commit_tree_id(commit.get()), what, error) : Owned<git_tree>();
}

ObjectRead fileOf(git_repository *repository, const git_tree *tree, const QByteArray &path, qint64 limit)
{
    const qsizetype slash = path.indexOf('/');
    const git_tree_entry *entry = git_tree_entry_byname(tree, (slash < 0 ? path : path.left(slash)).constData());
    if (!entry)
        return {ObjectRead::Failure::Missing, {}, {}};
    if (slash < 0)
        return readObject(repository, *git_tree_entry_id(entry), GIT_OBJECT_BLOB, limit, path);
    QString error;
    const Owned<git_tree> folder = treeOf(repository, *git_tree_entry_id(entry), path.left(slash), error);
    if (!folder)
        return {ObjectRead::Failure::Damaged, {}, error};
    ObjectRead file = fileOf(repository, folder.get(), path.mid(slash + 1), limit);
    if (file.failure == ObjectRead::Failure::None || file.failure == ObjectRead::Failure::Missing)
        return file;
    file.error.replace(QString::fromUtf8(path.mid(slash + 1)), QString::fromUtf8(path));
    return file;
}

// A tree of files named "name" or "folder/name".
bool writeTree(git_repository *repository, const QMap<QByteArray, QByteArray> &files, git_oid *out, bool store)
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
        const int failed = store
            ? git_blob_create_from_buffer(&blob, repository, file.value().constData(), size_t(file.value().size()))
            : git_odb_hash(&blob, file.value().constData(), size_t(file.value().size()), GIT_OBJECT_BLOB);
        if (failed)
            return false;
        // A name git refuses (".git") is no setup file: it is left out, the rest is kept.
        git_treebuilder_insert(nullptr, builder.get(), file.key().constData(), &blob, GIT_FILEMODE_BLOB);
    }
    for (auto folder = folders.cbegin(); folder != folders.cend(); ++folder) {
        git_oid tree;
        if (!writeTree(repository, folder.value(), &tree, store)
            || git_treebuilder_insert(nullptr, builder.get(), folder.key().constData(), &tree, GIT_FILEMODE_TREE))
            return false;
    }
    return git_treebuilder_write(out, builder.get()) == 0;
}

// The files of a tree and its folders; an error when one is larger than limit or cannot be read.
QString readTree(git_repository *repository, const git_tree *tree, const QByteArray &prefix, qint64 limit,
                 QMap<QByteArray, QByteArray> &files, int depth)
{
    for (size_t i = 0; i < git_tree_entrycount(tree); ++i) {
        const git_tree_entry *entry = git_tree_entry_byindex(tree, i);
        const QByteArray name = prefix + git_tree_entry_name(entry);
        QString error;
        if (git_tree_entry_type(entry) == GIT_OBJECT_TREE && depth == 0) {
            const Owned<git_tree> folder = treeOf(repository, *git_tree_entry_id(entry), name, error);
            if (folder)
                error = readTree(repository, folder.get(), name + '/', limit, files, depth + 1);
        } else if (git_tree_entry_type(entry) == GIT_OBJECT_BLOB) {
            ObjectRead file = readObject(repository, *git_tree_entry_id(entry), GIT_OBJECT_BLOB, limit, name);
            error = file.error;
            files.insert(name, std::move(file.bytes));
        }
        if (!error.isEmpty()) {
            files.clear();
            return error;
        }
    }
    return {};
}

QMap<QByteArray, QByteArray> filesOf(git_repository *repository, const git_commit *commit, qint64 limit, QString &error)
{
    QMap<QByteArray, QByteArray> files;
    const Owned<git_tree> tree
        = treeOf(repository, *git_commit_tree_id(commit), QByteArrayLiteral("a version's files"), error);
    if (tree)
        error = readTree(repository, tree.get(), {}, limit, files);
    return files;
}

bool commitTree(git_repository *repository, const char *branch, const git_oid &treeId,
                const std::vector<const git_commit *> &parents, const QString &message, git_oid *out)
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
    std::vector<const git_commit *> list = parents;
    return git_commit_create(out, repository, branch, signature.get(), signature.get(), nullptr,
                             message.toUtf8().constData(), tree, list.size(), list.data())
        == 0;
}

std::vector<Owned<git_commit>> versionsOf(git_repository *repository, const char *branch, int skip, int limit,
                                          QString &error)
{
    std::vector<Owned<git_commit>> versions;
    const std::optional<git_oid> tip = tipOf(repository, branch, error);
    if (!tip)
        return versions;
    // The newest of the commits reached so far comes next; a commit is reached through its children only, so it comes
    // after them. Versions kept apart on two laptops and merged come by time. Each commit is checked before libgit2
    // parses it: its own walk would parse a damaged one unchecked.
    const auto older = [](const Owned<git_commit> &a, const Owned<git_commit> &b) {
        return git_commit_time(a.get()) < git_commit_time(b.get());
    };
    std::vector<Owned<git_commit>> reached;
    std::set<QByteArray> seen;
    const auto reach = [&](const git_oid &id) {
        if (!seen.insert(QByteArray(reinterpret_cast<const char *>(id.id), GIT_OID_RAWSZ)).second)
            return true;
        Owned<git_commit> commit = commitOf(repository, id, error);
        if (!commit)
            return false;
        reached.push_back(std::move(commit));
        std::push_heap(reached.begin(), reached.end(), older);
        return true;
    };
    if (!reach(*tip))
        return {};
    while (!reached.empty() && int(versions.size()) < limit) {
        std::pop_heap(reached.begin(), reached.end(), older);
        Owned<git_commit> commit = std::move(reached.back());
        reached.pop_back();
        for (unsigned int n = 0; n < git_commit_parentcount(commit.get()); ++n) {
            if (!reach(*git_commit_parent_id(commit.get(), n)))
                return {};
        }
        if (git_commit_parentcount(commit.get()) > 1)
            continue;
        if (skip > 0)
            --skip;
        else
            versions.push_back(std::move(commit));
    }
    return versions;
}

} // namespace Vexolo::FleetGit
