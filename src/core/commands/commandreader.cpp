#include "commands/commandreader.h"

#include "commands/commandtokens.h"

namespace Vexolo {

namespace {

using Fields = std::array<QString, TrackSettings::Columns>;

// On times stand in the even columns, Off times in the odd ones.
constexpr int OnColumns = 0;
constexpr int OffColumns = 1;

// The time goes into the first empty field of the On or Off columns; when all five are filled it is dropped.
void placeTime(Fields &fields, int firstColumn, const QString &time)
{
    for (int i = firstColumn; i < TrackSettings::Columns; i += 2) {
        if (fields[i].isEmpty()) {
            fields[i] = time;
            return;
        }
    }
}

void takeCommand(TrackSettings &settings, const CommandToken &command)
{
    if (command.kind == CommandToken::Kind::Pause)
        AddPause(settings, command.value);
    else if (command.kind == CommandToken::Kind::Volume)
        settings.volume = command.value;
    else if (command.row >= 0)
        placeTime(settings.outputs[command.row], command.on ? OnColumns : OffColumns, command.value);
}

} // namespace

void ClearForm(TrackSettings &settings)
{
    settings.pauses.fill(QString());
    for (Fields &row : settings.outputs)
        row.fill(QString());
    settings.volume = QStringLiteral("7");
}

void DisplaySetting(TrackSettings &settings, const QString &token)
{
    takeCommand(settings, readCommandToken(token));
}

void AddPause(TrackSettings &settings, const QString &time)
{
    for (QString &field : settings.pauses) {
        if (field.isEmpty()) {
            field = time;
            return;
        }
    }
}

bool readCommandString(TrackSettings &settings, const QString &commandString)
{
    return readCommandString(settings, readCommandTokens(commandString));
}

bool readCommandString(TrackSettings &settings, const CommandReading &reading)
{
    ClearForm(settings);
    settings.trackName = reading.name;
    // Any other mode character leaves the fade option and play next as they were.
    if (reading.modeCharacter) {
        settings.fade = reading.modeCharacter->fade;
        settings.playNext = reading.modeCharacter->playNext;
    }
    for (const CommandToken &token : reading.tokens)
        takeCommand(settings, token);
    return !reading.name.isEmpty();
}

} // namespace Vexolo
