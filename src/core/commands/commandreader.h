#pragma once

#include "commands/commandtokens.h"
#include "commands/tracksettings.h"

namespace Vexolo {

// The reader: fills TrackSettings from a track command string, as the advanced settings window
// shows it, from the one reading of the grammar (commandtokens.h). Operations named as the window's own.
void ClearForm(TrackSettings &settings); // empties every time field, volume "7"; keeps fade, play next, name
void DisplaySetting(TrackSettings &settings, const QString &token);
void AddPause(TrackSettings &settings, const QString &time);

// Clears the form and reads commandString into it (fade option and play next change only when
// the string carries a mode character). Returns false when the track name came out empty:
// the window then shows "Could not extract filename from string:" + the trimmed string.
bool readCommandString(TrackSettings &settings, const QString &commandString);
// The same from a string already read (commandtokens.h).
bool readCommandString(TrackSettings &settings, const CommandReading &reading);

} // namespace Vexolo
