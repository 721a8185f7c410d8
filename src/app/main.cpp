#include "app.h"
#include "frmmain.h"
#include "platform/qtplatform.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

// --help and --version are answered before the GUI starts, so they work without a display. Options
// the parser does not know (Qt's own, such as -style) are left for the GUI application.
void answerInformationOptions(int &argc, char **argv)
{
    const QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prepares playlists and track settings on the SD card of a Vexolo player."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("vexolo-playlist-setup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VEXOLO_VERSION));
    answerInformationOptions(argc, argv);
    App app(argc, argv);
    QtPlatform platform;
    frmMain::instance(&platform);
    return app.exec();
}
