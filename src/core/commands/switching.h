#pragma once

#include "commands/tracksettings.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// What a track's settings make the device do over time: which outputs are on when, where it
// pauses, and what in the settings looks like a mistake. The device runs the commands of the
// string in its order (by time key, ties in the order the encoder writes them); "1A" switches
// all eight outputs on and "1X" all of them off.
namespace Vexolo {

inline constexpr int OutputCount = 8;
// The lanes: outputs 1 to 8 are 0 to 7, all outputs TrackSettings::AllRow, the pauses PauseLane.
inline constexpr int PauseLane = TrackSettings::OutputRows;
inline constexpr int LaneCount = TrackSettings::OutputRows + 1;

// A track length in milliseconds; none when it could not be read.
using TrackLength = std::optional<qint64>;

// What one number of a time stands for; the device's own unit, chosen by the user.
enum class TimeUnit { Seconds, Tenths };
inline constexpr qint64 millisecondsPer(TimeUnit unit)
{
    return unit == TimeUnit::Seconds ? 1000 : 100;
}
struct Lamps
{
    std::array<bool, OutputCount> outputs {};
    bool all = false; // the last all-outputs command so far was "on"
    friend bool operator==(const Lamps &, const Lamps &) = default;
};

// The lamps as the device has switched them once every command up to time (in the times' own
// numbers) has run.
Lamps lampsAt(const TrackSettings &settings, double time);

// A time on the lanes where a lane is on: from start up to end; open spans last to the end.
struct Span
{
    qint32 start = 0;
    qint32 end = 0;
    bool open = false;
    friend bool operator==(const Span &, const Span &) = default;
};

struct SwitchFinding
{
    enum Kind { NotANumber, OffWithoutOn, NeverOff, OnAndOffTogether, PastEnd };
    Kind kind = NotANumber;
    int lane = 0; // where it is marked: 0..7, TrackSettings::AllRow or PauseLane
    int column = 0; // the field's column, 0..9
    qint32 time = 0;
    bool endsOn = false; // OnAndOffTogether: the output is on once both are done
    QString field; // NotANumber: the time as typed
    double trackEnd = 0; // PastEnd: the track's length in the times' own numbers
};

struct Mark
{
    qint32 time = 0;
    int column = 0;
};

struct SwitchPlan
{
    std::array<QList<Span>, TrackSettings::OutputRows> spans; // per output, and for all outputs
    QList<Mark> pauses;
    QList<SwitchFinding> findings; // in the order the device meets them
    qint32 lastTime = 0; // the largest time key, 0 when there is none
};

// lengthInUnits: the track's length in the times' own numbers, when it is known.
SwitchPlan planSwitching(const TrackSettings &settings, std::optional<double> lengthInUnits = {});

// Where a drawn axis ends, in the times' own numbers: at the track's end, or a little past the last
// time when that is later or no length is known, so a span left on shows. At least 10.
double axisEnd(const SwitchPlan &plan, std::optional<double> lengthInUnits);
// A step between an axis's numbers of 1, 2 or 5 times a power of ten, so that about eight fit up to end.
double axisStep(double end);

// A lane as a timeline's margin marks it: "3", "A", "P" (its name: laneName, in the words library).
QString laneLabel(int lane);

} // namespace Vexolo
