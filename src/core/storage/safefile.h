#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

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
// Writes all of content to fd, again after an interruption; false with errno set (ENOSPC when nothing more goes).
bool writeAll(FileOps &ops, int fd, QByteArrayView content);

// Removes the temporary files that killed writers of this program left in the open folder. A
// temporary name carries its writer's process id; one whose writer still runs, or that another
// process holds locked, is left alone.
void removeLeftoverTemporaries(int folder, FileOps &ops);
// Whether name is such a temporary name whose writer no longer runs.
bool isLeftoverTemporary(QByteArrayView name);

} // namespace Vexolo
