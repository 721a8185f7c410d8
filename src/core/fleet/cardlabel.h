#pragma once

#include "storage/mounts.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

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

// The other mounted cards that share the card's identity, by their mount points: cards cloned whole (dd, a
// duplicator) carry one file system UUID, and while two are mounted neither can be told from the other. Each other
// block device of table is asked its UUID of uuidOf, once. None for a card known by its path.
QStringList sharingIdentity(const CardLabel &card, const QList<MountEntry> &table,
                            const std::function<QString(const QString &device)> &uuidOf);
// From the mount table in force, each device's UUID as identifyCard finds it. May wait for the disk service.
QStringList sharingIdentity(const CardLabel &card);

// What the desktop's disk service says of the drive behind a block device. A device it has no drive for (a loop
// device, a device it does not know) is neither removable nor of any media.
struct DiskAnswer
{
    bool removable = false; // the drive, or its media, is removable
    QString media; // the kind of media in it: "flash_sd", "flash_mmc", "thumb", ...
    QString bus; // how the drive is connected: "usb", "sdio", ...
};

// Asks the disk service about the block device (a path under /dev); none where the service is absent or gives no
// answer within its time limit. May wait that long: never on the window's thread.
std::optional<DiskAnswer> askDiskService(const QString &device);

// Asks the disk service to unmount the card's file system and power its drive off, so it can be taken out.
// False, with why, when there is no disk service or it refuses.
bool ejectCard(const CardLabel &card, QString *why);

} // namespace Vexolo
