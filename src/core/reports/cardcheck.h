#pragma once

#include "reports/findings.h"
#include "storage/cardstore.h"

// Checking a card: every inconsistency between its programs, command files, tracks and listing,
// and the strings the device cannot take.
namespace Vexolo {

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

// The certain repairs of findings, each once, in the order they are carried out: the listing last, as the others
// may change what it lists.
QList<Repair> certainRepairs(const Findings &findings);
// Carries them all out; the messages of those that fail. made, where given, gets each repair carried out.
Notices repairAll(CardStore &store, const Findings &findings, QList<Repair> *made = nullptr);

} // namespace Vexolo
