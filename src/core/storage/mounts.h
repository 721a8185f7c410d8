#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// Mounts: which card a folder is, and the mounted volumes, read from the mount table alone.
namespace Vexolo {

// Which card a folder is: its mount (the kernel's unique mount id, never reused while the system
// runs), its device and its inode. A card unmounted and another mounted in its place has another
// mount even where device and inode come back the same (a reader keeps its device number, a FAT
// root is always inode 1).
struct CardIdentity
{
    quint64 mount = 0;
    dev_t device = 0;
    ino_t inode = 0;
    bool isValid() const { return device != 0 || inode != 0; }
    bool operator==(const CardIdentity &) const = default;
};

// The identity of the open file or folder; not valid when it cannot be told.
CardIdentity identityOf(int fd);
// The mount id that the mount table lists for the open file (not the unique one); 0 when unknown.
quint64 tableMountIdOf(int fd);

struct MountEntry
{
    quint64 id = 0;
    QString mountPoint;
    QByteArray type;
};
// The entries of a mount table in /proc/self/mountinfo's form, in its order; malformed lines are skipped.
QList<MountEntry> parseMountTable(QByteArrayView table);
QList<MountEntry> readMountTable();
// File systems the kernel or the desktop mounts for itself, and what lies under /proc, /sys, /dev,
// /var/run and /var/lock: none of them can be an SD card.
bool isPseudoMount(const MountEntry &entry);
// The mount points that may be a card, in the table's order; nothing is asked of the mounts
// themselves, so a dead network or FUSE mount cannot make this wait.
QStringList cardVolumes(const QList<MountEntry> &table);

} // namespace Vexolo
