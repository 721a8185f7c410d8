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
    QString source; // the device or what stands for it, as the table names it
    QString fsRoot; // the folder of its file system mounted there: "/", but for a bind mount of a folder
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

// Whether the two folders overlap, whatever way each is reached (a link, a bind mount of a folder): one is the other
// or lies inside it, by device and inode. False when either cannot be opened.
bool foldersOverlap(const QString &one, const QString &other);

// What tells a card again when it is mounted next time, perhaps elsewhere: "uuid:" and its file system's UUID
// when root is the mount point of a device that byUuid (the system's /dev/disk/by-uuid) names, else "path:" and
// the folder itself.
QString volumeKey(const QString &root, const QList<MountEntry> &table,
                  const QString &byUuid = QStringLiteral("/dev/disk/by-uuid"));
// Where the card of key is mounted now; empty when it is not.
QString rootOfKey(const QString &key, const QList<MountEntry> &table,
                  const QString &byUuid = QStringLiteral("/dev/disk/by-uuid"));

} // namespace Vexolo
