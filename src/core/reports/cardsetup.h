#pragma once

#include "reports/findings.h"
#include "storage/cardstore.h"

// Comparing the setups of two cards and copying one onto another. A folder is a card, so the
// same functions back a card up into a folder and restore it.
namespace Vexolo {

// Programs, names and command files that differ or exist on one side only, and tracks on one side
// only. No findings: the two hold the same setup.
Findings compareSetups(const CardStore::Contents &a, const CardStore::Contents &b);

struct CopyPlan
{
    Findings refusal; // nothing may be written
    QList<CardStore::FileWrite> writes; // only the files that differ on the target
    bool listing = false; // the target's listing is written anew after the files
    Findings notes; // entries and command files whose tracks the target lacks
};
// What copying from's setup onto to writes: the programs 0 to 9 with their names, and every
// command file whose track is on the target (on a target without any track, a backup folder,
// every command file). Files of the target that from lacks are left alone.
CopyPlan planCopy(const CardStore::Contents &from, const CardStore::Contents &to);

// Writes the plan through the target's store, reads the target back and compares every file
// written; the problems, none when the copy is in place and verified.
// what: the work as the target's history records it.
Findings copySetup(CardStore &target, const CopyPlan &plan, const Progress &progress = {},
                   const ChangeCause &what = {ChangeCause::CopySetup, {}});

// Whether two chosen cards are one card, or one's folder lies inside the other's however it is reached (a link, a bind
// mount of a folder: foldersOverlap): a copy between them would write over what it copies, a comparison would compare
// a card with itself.
bool cardsOverlap(const CardStore &a, const CardStore &b);

// The path of a write from the card root, as the reports show it.
QString pathOf(const CardStore::FileWrite &write);

} // namespace Vexolo
