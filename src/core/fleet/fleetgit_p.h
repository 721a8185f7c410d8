#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <git2.h>

#include <memory>
#include <optional>
#include <vector>

// The fleet repository's use of libgit2, shared by its records and its sync.
namespace Vexolo::FleetGit {

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
    void operator()(git_revwalk *walk) const { git_revwalk_free(walk); }
    void operator()(git_remote *remote) const { git_remote_free(remote); }
    void operator()(git_repository *repository) const { git_repository_free(repository); }
    void operator()(git_reference_iterator *iterator) const { git_reference_iterator_free(iterator); }
};
template<typename T> using Owned = std::unique_ptr<T, GitFree>;

inline const char FleetBranch[] = "refs/heads/fleet";
inline const QByteArray PlayersFile = QByteArrayLiteral("players.tsv");
inline const QByteArray LogFolder = QByteArrayLiteral("log");

QString lastError();
// A card's branch: a UUID as it is, anything else (a folder, an odd UUID) by its hash, so any key makes a valid
// branch name.
QByteArray branchOf(const QString &key);
QString shortId(const git_oid *oid);
std::optional<git_oid> tipOf(git_repository *repository, const char *branch);
Owned<git_commit> commitOf(git_repository *repository, const git_oid &oid);
// A tree of files named "name" or "folder/name". Without store, only the trees are written and the files' contents
// are hashed, not stored: enough to tell whether the tree is one the repository has already.
bool writeTree(git_repository *repository, const QMap<QByteArray, QByteArray> &files, git_oid *out, bool store = true);
// The files of a tree and its folders; one larger than limit is cut one byte past it.
void readTree(git_repository *repository, const git_tree *tree, const QByteArray &prefix, qint64 limit,
              QMap<QByteArray, QByteArray> &files, int depth = 0);
QMap<QByteArray, QByteArray> filesOf(git_repository *repository, const git_commit *commit, qint64 limit);
// A commit of the tree on branch (or on none when branch is null), by the user of this computer.
bool commitTree(git_repository *repository, const char *branch, const git_oid &treeId,
                const std::vector<const git_commit *> &parents, const QString &message, git_oid *out);
// A card's versions: the commits of its branch that are no merges, newest first, at most limit of them.
std::vector<Owned<git_commit>> versionsOf(git_repository *repository, const char *branch, int limit);
// Keeps the newest VersionLimit versions of a card once it has a quarter more: the kept ones are written again, in a
// line, the oldest of them without a parent.
void prune(git_repository *repository, const QByteArray &branch);

} // namespace Vexolo::FleetGit
