#include "app.h"

#include "widgets/boundsettings.h"

#include <QDirIterator>
#include <QFont>
#include <QFontDatabase>

namespace {

// The shipped fonts answer for Arial and Arial Narrow wherever the machine has neither: another
// font's wider letters would cut the captions off at the windows' fixed sizes.
void loadShippedFonts()
{
    QDirIterator fonts(QStringLiteral(":/fonts"), {QStringLiteral("*.ttf")}, QDir::Files);
    while (fonts.hasNext()) {
        if (QFontDatabase::addApplicationFont(fonts.next()) < 0)
            qWarning("vexolo-playlist-setup: the shipped font %s could not be loaded", qPrintable(fonts.filePath()));
    }
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"));
}

} // namespace

App::App(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vexolo Playlist Setup"));
    setOrganizationName(QStringLiteral("Quillmere Inc."));
    setDesktopFileName(QStringLiteral("vexolo-playlist-setup"));
    Vexolo::Ui::boundSettings(); // before any window asks for a remembered choice
    loadShippedFonts();
}
