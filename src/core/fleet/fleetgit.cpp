#include "fleet/fleetgit_p.h"

#include "fleet/fleetrepository.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSysInfo>

#include <algorithm>

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

std::optional<git_oid> tipOf(git_repository *repository, const char *branch)
{
    git_oid oid;
    if (git_reference_name_to_id(&oid, repository, branch) != 0)
        return {};
    return oid;
}

Owned<git_commit> commitOf(git_repository *repository, const git_oid &oid)
{
    git_commit *commit = nullptr;
    git_commit_lookup(&commit, repository, &oid);
    return Owned<git_commit>(commit);
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

// The files of a tree and its folders, none larger than one byte past limit.
void readTree(git_repository *repository, const git_tree *tree, const QByteArray &prefix, qint64 limit,
              QMap<QByteArray, QByteArray> &files, int depth)
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
            // A larger file is kept cut one byte past the limit: still too large, it is refused as such, never
            // taken for a file the version lacks.
            const auto size = std::min(qint64(git_blob_rawsize(blob)), limit + 1);
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

std::vector<Owned<git_commit>> versionsOf(git_repository *repository, const char *branch, int limit)
{
    std::vector<Owned<git_commit>> versions;
    git_revwalk *made = nullptr;
    if (git_revwalk_new(&made, repository) != 0)
        return versions;
    const Owned<git_revwalk> walk(made);
    // Children before their parents; versions kept apart on two laptops and merged, by time.
    git_revwalk_sorting(walk.get(), GIT_SORT_TOPOLOGICAL | GIT_SORT_TIME);
    if (git_revwalk_push_ref(walk.get(), branch) != 0)
        return versions;
    git_oid oid;
    while (int(versions.size()) < limit && git_revwalk_next(&oid, walk.get()) == 0) {
        Owned<git_commit> commit = commitOf(repository, oid);
        if (commit && git_commit_parentcount(commit.get()) <= 1)
            versions.push_back(std::move(commit));
    }
    return versions;
}

void prune(git_repository *repository, const QByteArray &branch)
{
    constexpr int limit = FleetRepository::VersionLimit;
    std::vector<Owned<git_commit>> kept = versionsOf(repository, branch.constData(), limit + limit / 4 + 1);
    if (int(kept.size()) <= limit + limit / 4)
        return;
    kept.resize(limit);
    std::optional<git_oid> parentId;
    for (auto commit = kept.rbegin(); commit != kept.rend(); ++commit) {
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

} // namespace Vexolo::FleetGit
