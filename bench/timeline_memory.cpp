// The program timeline window of 65,534 entries, each switching every output it can, shown and played: its peak
// memory, which must stay within 200 MB. Usage: vexolo-timeline-memory

#include "playlist/playlistdocument.h"
#include "show/programtimeline.h"

#include <QApplication>

#include <sys/resource.h>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int Entries = 65534;
    constexpr double LimitMb = 200;
    Vexolo::PlaylistDocument document;
    Vexolo::PlaylistEntries entries;
    for (int i = 0; i < Entries; ++i) {
        const QString name = QStringLiteral("Track %1.mp3").arg(i % 500, 3, 10, QLatin1Char('0'));
        entries.append({0, name,
                        name
                            + QStringLiteral("%1V7 1+1 1-2 2+3 2-4 3+5 3-6 4+7 4-8 5+9 5-10 6+11 6-12 7+13 7-14 P20")
                                  .arg(i % 3 == 0 ? QLatin1Char('5') : QLatin1Char(' '))});
    }
    document.insertEntries(0, entries);
    entries.clear();
    {
        ProgramTimelineWindow window(document, nullptr, nullptr, nullptr);
        window.show();
        QCoreApplication::processEvents();
        window.view()->grab(QRect(0, 0, 900, 300)); // drawn once, where it starts
        window.togglePlay();
        QCoreApplication::processEvents();
        window.togglePlay();
    }
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    const double peak = double(usage.ru_maxrss) / 1024.0;
    std::printf("program timeline of %d entries: peak %.0f MB (limit %.0f MB)\n", Entries, peak, LimitMb);
    return peak <= LimitMb ? 0 : 1;
}
