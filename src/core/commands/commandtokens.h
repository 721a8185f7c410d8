#pragma once

#include "commands/tracksettings.h"

#include <QList>
#include <QString>

namespace Vexolo {

// One command of a track command string, read as the device reads it. This is the one reading of the
// grammar: the reader fills the window's fields from it (and the switching plan works on those fields),
// the card check reports from it, so all of them say the same of any string.
struct CommandToken
{
    enum class Kind {
        Pause, // "P" and a time
        Volume, // "V" and, as the device takes it, its last character
        Switch, // an output's digit 1 to 8, a switch character and a time
        NoOutput, // the digit 0 or 9: dropped
        Unknown, // neither P, V nor a digit: dropped
    };
    Kind kind = Kind::Unknown;
    QString text; // as written
    qsizetype at = 0; // where text starts in the command string read, in UTF-16 units
    int output = 0; // Switch, NoOutput: the digit
    // Switch: the fields' row it goes to (outputs 1 to 8 are 0 to 7, all outputs TrackSettings::AllRow); -1 when
    // dropped (output 1 takes only +, -, A and X). Outputs 2 to 8 take any switch character but "+" as Off.
    int row = -1;
    bool on = false;
    bool switchTaken = false; // the switch character is one the output knows
    // Pause and Switch: the time as its field takes it. Volume: the character the volume field shows.
    QString value;
    qint32 time = 0; // Pause and Switch: the number the device takes, from value's leading digits

    bool dropped() const { return kind != Kind::Pause && kind != Kind::Volume && row < 0; }
};

// A command token read on its own (the text between two blanks).
CommandToken readCommandToken(const QString &text);

// A whole command string as the device reads it: the track name up to the first ".mp3" (without one, its
// first three characters), the mode character, the commands up to where two blanks in a row end the reading,
// and what stands after them, unread. A string ending in ".mp3" carries no settings at all.
struct CommandReading
{
    QString name;
    bool namesTrack = false; // it holds ".mp3"
    bool endsAtMp3 = false;
    QString mode; // one character; none when the string ends after the name
    const ModeCharacter *modeCharacter = nullptr; // the mode as the device knows it; none for any other character
    QList<CommandToken> tokens;
    QString unread;
};

CommandReading readCommandTokens(const QString &commandString);

} // namespace Vexolo
