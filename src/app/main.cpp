#include "app.h"
#include "commandline.h"
#include "fleet/fleet.h"
#include "main/frmmain.h"
#include "platform/qtplatform.h"
#include "storage/cardlock.h"
#include "storage/cardsession.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

QtMessageHandler g_previousHandler = nullptr;

// Qt aborts when no window system starts at all; the user gets one line and the usage status instead.
void windowSystemFailed(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        if (g_previousHandler)
            g_previousHandler(type, context, message);
        else
            std::fputs(qPrintable(qFormatLogMessage(type, context, message) + u'\n'), stderr);
        return;
    }
    std::fputs("vexolo-playlist-setup: cannot open a display: no window system could be started\n", stderr);
    std::fflush(stderr);
    std::_Exit(Vexolo::CommandLine::ExitUsage);
}

} // namespace

int main(int argc, char *argv[])
{
    using namespace Vexolo;
    QCoreApplication::setApplicationName(QStringLiteral("vexolo-playlist-setup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VEXOLO_VERSION));
    // Every card this program writes to, from the window or a command, has its setup kept first.
    FleetJournal journal;
    CardStore::setDefaultJournal(&journal);

    // The command line is read before any window exists: help, version and the commands need no display.
    QString cardFolder;
    const CommandLine::Verb *pageVerb = nullptr;
    QStringList pageVerbArguments;
    {
        const QCoreApplication core(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        const QStringList arguments = QCoreApplication::arguments();
        const CommandLine::Request request = CommandLine::parse(arguments, CommandLine::verbs(), out, err);
        if (request.exitCode)
            return *request.exitCode;
        if (request.verb && !request.verb->drawsPages) {
            // A verb waiting for another program's write to its card says so once, on standard error.
            bool said = false;
            const WriterWaitReport waiting([&err, &said] {
                if (!std::exchange(said, true))
                    err << WriterWaitText << Qt::endl;
            });
            return request.verb->run(request.verbArguments, out, err);
        }
        pageVerb = request.verb;
        pageVerbArguments = request.verbArguments;
        if (!pageVerb && !CommandLine::displayAvailable(arguments, err))
            return CommandLine::ExitUsage;
        cardFolder = request.cardFolder;
    }

    if (pageVerb) {
        // Text on pages needs the fonts of the toolkit's GUI part; its offscreen platform needs no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Standard error carries the verb's own lines only, not the toolkit's notes on the environment.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fputs(qPrintable(message + u'\n'), stderr);
        });
        const QGuiApplication pages(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return pageVerb->run(pageVerbArguments, out, err);
    }

    g_previousHandler = qInstallMessageHandler(windowSystemFailed);
    App app(argc, argv);
    qInstallMessageHandler(g_previousHandler);
    QtPlatform platform;
    frmMain *window = frmMain::instance(&platform);
    if (!cardFolder.isEmpty())
        window->chooseCardFolder(cardFolder);
    else
        window->chooseLastCard();
    const int code = app.exec();
    // A write still under way ends before the program does, unless its card stopped answering.
    Vexolo::CardSession::instance().waitForWrites(Vexolo::cardAnswerLimit());
    return code;
}
