#pragma once

#include <QByteArray>
#include <QString>

#include "storage/carderror.h"

#include <functional>
#include <memory>

namespace Vexolo {

class FileOps;

// Replaces (or creates) the file name inside the open folder with content so that a failure at
// any step leaves the old file byte for byte and no stray file: the content goes to a new file in
// the same folder, is flushed and fsynced, then renamed over the old name, and the folder is
// fsynced. A name that is a link is replaced as a link, its target is never touched. Returns
// false on any failure; error then holds the system's error number (errno). Only a failure to flush the folder comes
// after the rename: the new content is then in place but may not survive a power cut. A name that names a folder fails
// without touching it.
bool writeFileSafely(int folder, const QString &name, const QByteArray &content, FileOps &ops, int *error = nullptr);
// The same with the content written by writeContent into the open temporary file: false, with errno set, stops.
using ContentWriter = std::function<bool(int fd)>;
bool writeFileSafely(int folder, const QString &name, const ContentWriter &writeContent, FileOps &ops,
                     int *error = nullptr);

// A new file written under a temporary name beside its target, put in place of the target only when asked: a caller
// that writes several files can make them all durable at once before placing them. Removed unless placed.
class StagedFile final
{
public:
    // The temporary file beside name in the open folder; null, with error set, when it cannot be made or name is a
    // folder.
    static std::unique_ptr<StagedFile> create(int folder, const QString &name, FileOps &ops, int *error = nullptr);
    ~StagedFile();
    Q_DISABLE_COPY_MOVE(StagedFile)

    int fd() const { return m_fd; }
    // close() reports a delayed write error on some file systems, so its result counts.
    bool close();
    // Renames the closed file over its target; false, with errno set, leaves both as they were.
    bool place();

private:
    StagedFile(FileOps &ops, int folder, int fd, QByteArray name, QByteArray target);

    FileOps &m_ops;
    int m_folder;
    int m_fd;
    QByteArray m_name; // empty once placed
    QByteArray m_target;
};
// Flushes the folder itself, so renames in it survive a power cut; a file system that cannot flush a folder counts as
// flushed.
bool syncFolder(int folder, FileOps &ops);
// Writes all of content to fd, again after an interruption; false with errno set (ENOSPC when nothing more goes).
bool writeAll(FileOps &ops, int fd, QByteArrayView content);

// Removes the temporary files that killed writers of this program left in the open folder. A
// temporary name carries its writer's process id; one whose writer still runs, or that another
// process holds locked, is left alone. Returns the first failure, its path the file's name in the folder (none when
// the folder itself could not be read).
CardError removeLeftoverTemporaries(int folder, FileOps &ops);
// Whether name is such a temporary name whose writer no longer runs.
bool isLeftoverTemporary(QByteArrayView name);

} // namespace Vexolo
