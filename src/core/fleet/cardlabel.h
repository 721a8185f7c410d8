#pragma once

#include <QString>

namespace Vexolo {

// How the fleet knows a card from one insertion to the next.
struct CardLabel
{
    QString key; // "uuid:" and the file system's UUID, or "path:" and the folder
    QString uuid;
    QString label; // the file system's label, when it has one
    QString device; // the block device the card's folder is the root of; empty for a plain folder
};

// The card whose file system root is the folder root: its UUID and label as the desktop's disk service
// (UDisks2, over D-Bus) reports them, or, where that service is absent, as a probe of the block device
// (libblkid) finds them; a folder that is no mounted device's root is known by its path.
CardLabel identifyCard(const QString &root);

// Asks the disk service to unmount the card's file system and power its drive off, so it can be taken out.
// False, with why, when there is no disk service or it refuses.
bool ejectCard(const CardLabel &card, QString *why);

} // namespace Vexolo
