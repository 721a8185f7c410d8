#include "commands/programtimes.h"

#include "commands/commandreader.h"
#include "commands/textnumber.h"

#include <algorithm>

namespace Vexolo {

namespace {

// The auto pauses the device reaches in a track, in milliseconds, each once, earliest first.
QList<qint64> pausesReached(const TrackSettings &settings, TrackLength length, TimeUnit unit)
{
    QList<qint64> pauses;
    for (const QString &pause : settings.pauses) {
        const qint64 at = qint64(Val(pause)) * millisecondsPer(unit);
        if (!pause.isEmpty() && at >= 0 && (!length || at < *length))
            pauses.append(at);
    }
    std::sort(pauses.begin(), pauses.end());
    pauses.erase(std::unique(pauses.begin(), pauses.end()), pauses.end());
    return pauses;
}

TrackLength plus(TrackLength a, TrackLength b)
{
    return a && b ? TrackLength(*a + *b) : std::nullopt;
}

} // namespace

ProgramTimes programTimes(const QStringList &commandStrings, const QList<TrackLength> &lengths, TimeUnit unit)
{
    ProgramTimes times;
    if (commandStrings.isEmpty())
        return times;
    times.runs.append({0, 0, {}, false});
    TrackLength clock = 0; // the current run's time where the track starts
    for (qsizetype i = 0; i < commandStrings.size(); ++i) {
        TrackSettings settings;
        readCommandString(settings, commandStrings[i]);
        const TrackLength length = lengths.value(i);
        times.entries.append({int(times.runs.size() - 1), 0, clock});
        qint64 from = 0; // where in the track the current run began
        for (const qint64 pause : pausesReached(settings, length, unit)) {
            times.runs.back().length = plus(clock, pause - from);
            times.runs.back().endsAtPause = true;
            times.runs.append({i, pause, {}, false});
            clock = 0;
            from = pause;
        }
        times.entries.back().lastRun = int(times.runs.size() - 1);
        clock = plus(clock, length ? TrackLength(*length - from) : std::nullopt);
        const bool last = i + 1 == commandStrings.size();
        if (last || !settings.playNext) {
            times.runs.back().length = clock;
            if (!last)
                times.runs.append({i + 1, 0, {}, false});
            clock = 0;
        }
    }
    return times;
}

QList<int> runsEndingIn(const ProgramTimes &times, qsizetype i)
{
    const ProgramTimes::Entry &entry = times.entries[i];
    const bool last = i + 1 == times.entries.size();
    const int end = last || times.entries[i + 1].run != entry.lastRun ? entry.lastRun : entry.lastRun - 1;
    QList<int> runs;
    for (int run = entry.run; run <= end; ++run)
        runs.append(run);
    return runs;
}

QString clockText(TrackLength milliseconds)
{
    if (!milliseconds)
        return QStringLiteral("?");
    const qint64 tenths = *milliseconds / 100;
    return QStringLiteral("%1:%2.%3").arg(tenths / 600).arg(tenths / 10 % 60, 2, 10, QLatin1Char('0')).arg(tenths % 10);
}

} // namespace Vexolo
