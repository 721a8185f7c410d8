#pragma once

#include "commands/switching.h"

#include <QList>
#include <QStringList>

namespace Vexolo {

// When each entry of a program plays, as the device plays it. A run is a stretch the device plays without
// waiting for the remote: it ends after a track that does not play the next one by itself, and at an auto
// pause, where the device waits and the same track goes on, in the next run, when the remote says so.
struct ProgramTimes
{
    struct Entry
    {
        int run = 0; // the run the entry's track starts in
        int lastRun = 0; // the run its track ends in: later than run when auto pauses end runs within it
        TrackLength start; // in milliseconds from its run's start; none when a length before it is unknown
    };
    struct Run
    {
        qsizetype firstEntry = 0;
        qint64 from = 0; // where in the first entry's track it begins, in milliseconds: 0 or an auto pause
        TrackLength length; // its running time in milliseconds; none when a length in it is unknown
        bool endsAtPause = false; // at an auto pause; otherwise after a track, or at the program's end
    };
    QList<Entry> entries;
    QList<Run> runs;
};

// Works the times out entry by entry, from settings the caller has read anyway: nothing is read twice.
class ProgramClock
{
public:
    explicit ProgramClock(TimeUnit unit)
        : m_unit(unit)
    {
    }
    // The next entry: its settings and its track's length. A pause at or past the track's end is never reached.
    void add(const TrackSettings &settings, TrackLength length);
    ProgramTimes finish();

private:
    TimeUnit m_unit;
    ProgramTimes m_times;
    TrackLength m_clock = 0; // the current run's time where the last track added ends
    bool m_playsOn = false; // the last track added plays the next by itself
};

// The auto pauses the device reaches in a track, in milliseconds, each once, earliest first.
QList<qint64> pausesReached(const TrackSettings &settings, TrackLength length, TimeUnit unit);

// The times of a program's entries, from their command strings and their tracks' lengths (one each, in the
// same order), the pause times read in unit.
ProgramTimes programTimes(const QStringList &commandStrings, const QList<TrackLength> &lengths, TimeUnit unit);

// "starts 0:30.1 into run 1": where entry i starts.
QString startText(const ProgramTimes &times, qsizetype i);
// Where the runs that end in entry i end, earliest first, each with its running time: at its auto pauses, then
// after its track when the next entry does not play on, or at the program's end.
QStringList runEndTexts(const ProgramTimes &times, qsizetype i);

// "1:05.3": minutes, seconds and tenths, rounded down; "?" when unknown.
QString clockText(TrackLength milliseconds);

} // namespace Vexolo
