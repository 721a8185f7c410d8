#pragma once

#include "reports/findings.h"
#include "storage/cardstore.h"

// Checking a card: every inconsistency between its programs, command files, tracks and listing,
// and the strings the device cannot take.
namespace Vexolo {

// The finding kinds, the same words in the report and in its JSON.
namespace Kind {
inline const QString MissingTrack = QStringLiteral("missing-track");
inline const QString OrphanCommandFile = QStringLiteral("orphan-command-file");
inline const QString WrongTrack = QStringLiteral("wrong-track");
inline const QString BadString = QStringLiteral("bad-string");
inline const QString ProgramFormat = QStringLiteral("program-format");
inline const QString NameFile = QStringLiteral("name-file");
inline const QString LongTrackName = QStringLiteral("long-track-name");
inline const QString StaleListing = QStringLiteral("stale-listing");
inline const QString Leftover = QStringLiteral("leftover");
inline const QString Unreadable = QStringLiteral("unreadable");
} // namespace Kind

// A track name this long or longer leaves no room for the shortest settings.
inline constexpr qsizetype LongTrackNameLength = 77;
// The longest program name that counts as one line of the device's text.
inline constexpr qsizetype NameLengthLimit = 79;

// What the device cannot take in one command string; place names the file and record.
Findings checkCommandString(const QString &place, const QString &commandString);
// Every finding on a card, read once with CardStore::readContents.
Findings checkCard(const CardStore::Contents &contents);

struct CardCheck
{
    bool readable = false; // false: no card at that place, or it cannot be read
    Findings findings;
};
// Reads the chosen card and checks it; changes nothing.
CardCheck checkCard(const CardStore &store);

// Carries out a certain repair through the card store, re-reading what it repairs first;
// the messages to show when it fails.
Notices applyRepair(CardStore &store, const Repair &repair);

} // namespace Vexolo
