#pragma once

#include <QString>

namespace Vexolo {

struct TrackCommandLookup
{
    QString commandString; // first line of the track command file, or the default string
    bool readFailed = false; // the file exists but could not be read: show "Could not read from file: " + fileName
    QString fileName;        // the track command file's name
};

// The command string that a card track brings with it (AdvStringCard over a card root).
// Never changes the card. An empty cardRoot gives the default string.
TrackCommandLookup lookupTrackCommand(const QString &cardRoot, const QString &trackName);

} // namespace Vexolo
