#include "widgets/boundsettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <sys/stat.h>

namespace Vexolo::Ui {

QStringList settingsFiles()
{
    const QString organization = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    QStringList files;
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        files << folder + u'/' + organization + u'/' + application + QStringLiteral(".conf")
              << folder + u'/' + organization + QStringLiteral(".conf");
    }
    return files;
}

bool settingsFilesUsable(const QStringList &files)
{
    for (const QString &file : files) {
        struct stat info;
        if (::lstat(QFile::encodeName(file).constData(), &info) != 0)
            continue; // none there: nothing to read
        if (!S_ISREG(info.st_mode) || info.st_size > SettingsFileLimit)
            return false;
    }
    return true;
}

bool boundSettings()
{
    if (settingsFilesUsable(settingsFiles()))
        return true;
    // A folder that can never exist, not even for root: under a file.
    const QString nowhere = QStringLiteral("/dev/null/settings");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, nowhere);
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, nowhere);
    return false;
}

} // namespace Vexolo::Ui
