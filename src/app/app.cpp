#include "app.h"

App::App(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vexolo Playlist Setup"));
    setOrganizationName(QStringLiteral("Quillmere Inc."));
    setDesktopFileName(QStringLiteral("vexolo-playlist-setup"));
}
