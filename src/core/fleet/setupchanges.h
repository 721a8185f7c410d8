#pragma once

#include "commands/switching.h"
#include "fleet/fleetrepository.h"

#include <QStringList>

namespace Vexolo {

// How the setup after differs from the setup before, one line a change, in the words of programs, entries, tracks
// and their settings: "Program 1: b.mp3 (entry 2) removed", "Program 1: a.mp3 volume 5 → 7", "Welcome.adv: output
// 3 on at 2.0 s added", "Program 2 renamed "Hall" → "Main Hall"". A file that cannot be read as what its name says
// is one line naming it; no record is ever shown. The listing, made anew from the tracks, is left out. Times are read
// in unit. Empty when they hold the same setup.
QStringList setupChanges(const SetupSnapshot &before, const SetupSnapshot &after, TimeUnit unit = TimeUnit::Seconds);

} // namespace Vexolo
