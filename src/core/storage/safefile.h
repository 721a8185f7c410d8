#pragma once

#include <QByteArray>
#include <QString>

namespace Vexolo {

// Replaces (or creates) the file at path with content so that a failure at any step leaves the
// old file byte for byte and no stray file: the content goes to a new file in the same folder,
// is flushed and fsynced, then renamed over the old name, and the folder is fsynced.
// Returns false on any failure; errorString then says why. Only a failure to flush the folder
// comes after the rename: the new content is then in place but may not survive a power cut.
// A path that names a folder fails without touching it.
bool writeFileSafely(const QString &path, const QByteArray &content, QString *errorString = nullptr);

} // namespace Vexolo
