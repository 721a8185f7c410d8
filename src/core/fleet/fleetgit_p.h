#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <git2.h>

#include "storage/cardread.h"

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
// How an error names the fleet branch's tree.
inline const QByteArray FleetFiles = QByteArrayLiteral("the fleet's files");

// The most any object of the fleet's data may hold; a larger one is refused before it is inflated. A card's setup file
// at most what a card's program file may be; the register and a month's log a few MiB (a player is about 100 bytes,
// a log line about 150); a commit or a folder (tree) far more than honest ones ever hold.
inline constexpr qint64 SetupFileLimit = ProgramFileLimit;
inline constexpr qint64 PlayersFileLimit = 4 * 1024 * 1024;
inline constexpr qint64 LogFileLimit = 8 * 1024 * 1024;
inline constexpr qint64 CommitLimit = 1024 * 1024;
inline constexpr qint64 TreeLimit = 1024 * 1024;

// One object of the repository, read whole, or why it could not be.
struct [[nodiscard]] ObjectRead
{
    enum class Failure { None, Missing, Damaged, WrongType, TooLarge };
    Failure failure = Failure::None;
    QByteArray bytes;
    QString error; // "the fleet's data is damaged: log/2024-05.tsv (object 3fa2c9d0e1b4): cut short"
};
// Reads the object id, of type, named what (a path, "the branch fleet") for the error. Its size is known before it is
// inflated: a loose object is inflated here, by zlib, from its file (libgit2 1.5 spins forever on one cut short), a
// packed one is sized by git_odb_read_header first. Nothing larger than limit is inflated.
ObjectRead readObject(git_repository *repository, const git_oid &id, git_object_t type, qint64 limit,
                      const QByteArray &what);
// The same check, without the bytes: an empty error when libgit2 may be given the object to parse.
QString checkObject(git_repository *repository, const git_oid &id, git_object_t type, qint64 limit,
                    const QByteArray &what);

QString lastError();
// A card's branch: a UUID as it is, anything else (a folder, an odd UUID) by its hash, so any key makes a valid
// branch name.
QByteArray branchOf(const QString &key);
QString shortId(const git_oid *oid);
// The branch's tip; none when there is no such branch, and error set when the branch cannot be read.
std::optional<git_oid> tipOf(git_repository *repository, const char *branch, QString &error);
// A commit or a tree, checked (checkObject) before libgit2 parses it; null with error set when it cannot be.
Owned<git_commit> commitOf(git_repository *repository, const git_oid &oid, QString &error);
Owned<git_tree> treeOf(git_repository *repository, const git_oid &oid, const QByteArray &what, QString &error);
// The tree of the branch's tip, each object checked on the way; null when there is no such branch, and error set when
// it cannot be read.
Owned<git_tree> tipTreeOf(git_repository *repository, const char *branch, const QByteArray &what, QString &error);
// The file at path ("name" or "folder/name") of tree: null when there is none, error set when it cannot be read.
ObjectRead fileOf(git_repository *repository, const git_tree *tree, const QByteArray &path, qint64 limit);
// A tree of files named "name" or "folder/name". Without store, only the trees are written and the files' contents
// are hashed, not stored: enough to tell whether the tree is one the repository has already.
bool writeTree(git_repository *repository, const QMap<QByteArray, QByteArray> &files, git_oid *out, bool store = true);
// The files of a tree and its folders; an error (and no files) when one is larger than limit or cannot be read.
QString readTree(git_repository *repository, const git_tree *tree, const QByteArray &prefix, qint64 limit,
                 QMap<QByteArray, QByteArray> &files, int depth = 0);
QMap<QByteArray, QByteArray> filesOf(git_repository *repository, const git_commit *commit, qint64 limit,
                                     QString &error);
// A commit of the tree on branch (or on none when branch is null), by the user of this computer.
bool commitTree(git_repository *repository, const char *branch, const git_oid &treeId,
                const std::vector<const git_commit *> &parents, const QString &message, git_oid *out);
// A card's versions: the commits of its branch that are no merges, newest first (a commit before its parents), the
// first skip of them left out, at most limit of them. Each commit is checked before it is parsed; error set when one
// cannot be read.
std::vector<Owned<git_commit>> versionsOf(git_repository *repository, const char *branch, int skip, int limit,
                                          QString &error);

} // namespace Vexolo::FleetGit
