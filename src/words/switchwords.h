#pragma once

#include "commands/commandencoder.h"
#include "commands/switching.h"

#include <QString>

// The words of what the switching plan and the encoder hand back.
namespace Vexolo {

// "3:25" (minutes and seconds, rounded down), or "length unknown".
QString lengthText(TrackLength length);
// "seconds", "tenths of a second".
QString unitName(TimeUnit unit);
// "Output 3", "All outputs", "Auto pause".
QString laneName(int lane);

// ""FIELD" is not a whole number: the device reads it as TIME", without a full stop.
QString notANumberText(const QString &field, qint32 time);
// A finding of the switching in words, for a tooltip, the timeline's list and the cue sheet.
QString switchFindingText(const SwitchFinding &finding);
// "Too many times!", the length with " charachters out of 79!", and the string: three lines.
QString tooLongText(const EncodedCommandString &encoded);

} // namespace Vexolo
