#pragma once

#include <QStringList>

// The program's remembered choices (QSettings) are read whole when first asked for: a settings file past a sane size,
// or one that is no regular file (a link, a FIFO), is never read, and the program starts with none remembered.
namespace Vexolo::Ui {

inline constexpr qint64 SettingsFileLimit = 1 << 20;

// The files QSettings reads for this application, its organization's and the system's among them.
QStringList settingsFiles();
// Whether each of files that is there is a regular file within the limit, by lstat: nothing of it read, no link
// followed.
bool settingsFilesUsable(const QStringList &files);
// When the application's settings files are not usable, QSettings is pointed where nothing can be read or written:
// nothing is remembered in this run, and the files stay as they are. False then.
bool boundSettings();

} // namespace Vexolo::Ui
