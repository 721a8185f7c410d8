#pragma once

#include "commands/tracksettings.h"

#include <QString>

namespace Vexolo {

// "Remote: fade and cue the next track", and the like for each fade option.
QString fadeWords(FadeOption fade);

// A track's own settings summed up on one line: volume, fade option, play next, how many auto pauses and output
// switches, "Volume 5 · Remote: fade, cue and play the next track · plays the next by itself · 2 auto pauses ·
// 6 output switches". Empty for the settings a track has without a command file (name and " V7").
QString settingsWords(const QString &commandString);

} // namespace Vexolo
