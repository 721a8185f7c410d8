#include "commands/programtimes.h"

#include "commands/commandreader.h"
#include "commands/textnumber.h"

#include <algorithm>

namespace Vexolo {

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

namespace {

TrackLength plus(TrackLength a, TrackLength b)
{
    return a && b ? TrackLength(*a + *b) : std::nullopt;
}

} // namespace

void ProgramClock::add(const TrackSettings &settings, TrackLength length)
{
    const qsizetype i = m_times.entries.size();
    // A track that does not play on ends its run: the next starts a run of its own.
    if (i == 0 || !m_playsOn) {
        if (i > 0)
            m_times.runs.back().length = m_clock;
        m_times.runs.append({i, 0, {}, false});
        m_clock = 0;
    }
    const int run = int(m_times.runs.size() - 1);
    const TrackLength start = m_clock;
    qint64 from = 0; // where in the track the current run began
    for (const qint64 pause : pausesReached(settings, length, m_unit)) {
        m_times.runs.back().length = plus(m_clock, pause - from);
        m_times.runs.back().endsAtPause = true;
        m_times.runs.append({i, pause, {}, false});
        m_clock = 0;
        from = pause;
    }
    m_times.entries.append({run, int(m_times.runs.size() - 1), start});
    m_clock = plus(m_clock, length ? TrackLength(*length - from) : std::nullopt);
    m_playsOn = settings.playNext;
}

ProgramTimes ProgramClock::finish()
{
    if (!m_times.runs.isEmpty())
        m_times.runs.back().length = m_clock;
    return std::move(m_times);
}

ProgramTimes programTimes(const QStringList &commandStrings, const QList<TrackLength> &lengths, TimeUnit unit)
{
    ProgramClock clock(unit);
    for (qsizetype i = 0; i < commandStrings.size(); ++i) {
        TrackSettings settings;
        readCommandString(settings, commandStrings[i]);
        clock.add(settings, lengths.value(i));
    }
    return clock.finish();
}

QString startText(const ProgramTimes &times, qsizetype i)
{
    return QStringLiteral("starts %1 into run %2").arg(clockText(times.entries[i].start)).arg(times.entries[i].run + 1);
}

QStringList runEndTexts(const ProgramTimes &times, qsizetype i)
{
    const ProgramTimes::Entry &entry = times.entries[i];
    const bool last = i + 1 == times.entries.size();
    // The entry's last run ends in it unless the next entry plays on in it.
    const int end = last || times.entries[i + 1].run != entry.lastRun ? entry.lastRun : entry.lastRun - 1;
    QStringList texts;
    for (int run = entry.run; run <= end; ++run) {
        const QString ran = QStringLiteral(" \u00b7 run %1 ran %2").arg(run + 1).arg(clockText(times.runs[run].length));
        if (times.runs[run].endsAtPause)
            texts.append(QStringLiteral("Waits for the remote at the auto pause at ")
                         + clockText(times.runs[run + 1].from) + ran);
        else
            texts.append((last ? QStringLiteral("End of the program") : QStringLiteral("Waits for the remote after it"))
                         + ran);
    }
    return texts;
}

QString clockText(TrackLength milliseconds)
{
    if (!milliseconds)
        return QStringLiteral("?");
    const qint64 tenths = *milliseconds / 100;
    return QStringLiteral("%1:%2.%3").arg(tenths / 600).arg(tenths / 10 % 60, 2, 10, QLatin1Char('0')).arg(tenths % 10);
}

} // namespace Vexolo
