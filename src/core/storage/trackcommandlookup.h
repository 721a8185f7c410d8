#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace Vexolo {

struct TrackCommandLookup
{
    QString commandString; // first line of the track command file, or the default string
    bool readFailed = false; // the file exists but could not be read: show "Could not read from file: " + fileName
    QString fileName; // the track command file's name; empty when the track name holds no ".mp3"
};

// The command string that a card track brings with it (AdvStringCard over a card root).
// Never changes the card. An empty cardRoot, a name without ".mp3" and a name holding "/", "\\"
// or NUL give the default string: only a file directly in the root can belong to a track.
TrackCommandLookup lookupTrackCommand(const QString &cardRoot, const QString &trackName);

// The same for many tracks of one card, in order. One read of the card folder tells which
// command files can exist, so a big card costs one open per command file, not a look per track.
QList<TrackCommandLookup> lookupTrackCommands(const QString &cardRoot, const QStringList &trackNames);

} // namespace Vexolo
