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

// The times of a program's entries, from their command strings and their tracks' lengths (one each, in the
// same order), the pause times read in unit. A pause at or past its track's end is never reached.
ProgramTimes programTimes(const QStringList &commandStrings, const QList<TrackLength> &lengths, TimeUnit unit);

// The runs that end in entry i, earliest first: at its auto pauses, then after its track when the next entry
// does not play on (or it is the last).
QList<int> runsEndingIn(const ProgramTimes &times, qsizetype i);

// "1:05.3": minutes, seconds and tenths, rounded down; "?" when unknown.
QString clockText(TrackLength milliseconds);

} // namespace Vexolo
