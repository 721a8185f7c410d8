#include "storage/mounts.h"

#include "storage/cardtext.h"
#include "storage/fileops.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#ifndef STATX_MNT_ID
#define STATX_MNT_ID 0x1000U
#endif
#ifndef STATX_MNT_ID_UNIQUE
#define STATX_MNT_ID_UNIQUE 0x4000U
#endif

namespace Vexolo {

namespace {

bool statxOf(int fd, unsigned int mask, struct statx *info)
{
    return ::statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, mask, info) == 0;
}

// Mount points in the table escape blanks, tabs, line ends and backslashes as octal.
QByteArray unescaped(QByteArrayView field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const bool octal = field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3';
        if (octal) {
            bytes.append(char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
        } else {
            bytes.append(field[i]);
        }
    }
    return bytes;
}

bool isUnder(const QString &path, QLatin1StringView folder)
{
    return path == folder || (path.startsWith(folder) && path.size() > folder.size() && path[folder.size()] == u'/');
}

} // namespace

CardIdentity identityOf(int fd)
{
    struct statx info = {};
    // Asked for both, a kernel that knows the unique id gives it, an older one the reusable id.
    if (!statxOf(fd, STATX_INO | STATX_MNT_ID | STATX_MNT_ID_UNIQUE, &info)) {
        struct stat plain;
        return ::fstat(fd, &plain) == 0 ? CardIdentity {0, plain.st_dev, plain.st_ino} : CardIdentity();
    }
    // A kernel that knows neither leaves it zero, as every field it does not fill.
    return {info.stx_mnt_id, makedev(info.stx_dev_major, info.stx_dev_minor), info.stx_ino};
}

quint64 tableMountIdOf(int fd)
{
    struct statx info = {};
    (void)statxOf(fd, STATX_MNT_ID, &info); // a failed call, or a kernel without the id, leaves it zero
    return info.stx_mnt_id;
}

QList<MountEntry> parseMountTable(QByteArrayView table)
{
    QList<MountEntry> entries;
    QList<QByteArrayView> fields;
    for (qsizetype start = 0; start < table.size();) {
        qsizetype end = table.indexOf('\n', start);
        end = end < 0 ? table.size() : end;
        const QByteArrayView line = table.sliced(start, end - start);
        start = end + 1;
        // id parent major:minor root mount-point options [optional fields] - type source super-options
        fields.clear();
        for (qsizetype at = 0; at < line.size();) {
            qsizetype next = line.indexOf(' ', at);
            next = next < 0 ? line.size() : next;
            if (next > at)
                fields.append(line.sliced(at, next - at));
            at = next + 1;
        }
        const qsizetype dash = fields.indexOf(QByteArrayView("-"));
        bool ok = false;
        const quint64 id = fields.value(0).toULongLong(&ok);
        if (!ok || dash < 5 || dash + 1 >= fields.size())
            continue;
        entries.append({id, decodeFileName(unescaped(fields[4])), fields[dash + 1].toByteArray(),
                        dash + 2 < fields.size() ? decodeFileName(unescaped(fields[dash + 2])) : QString(),
                        decodeFileName(unescaped(fields[3]))});
    }
    return entries;
}

QList<MountEntry> readMountTable()
{
    // The table is a file of the kernel: reading it never touches a mount.
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    return table.open(QIODevice::ReadOnly) ? parseMountTable(table.readAll()) : QList<MountEntry>();
}

bool isPseudoMount(const MountEntry &entry)
{
    static const QList<QByteArrayView> pseudo = {
        "proc",    "sysfs",       "cgroup",          "cgroup2",     "devpts",   "mqueue",    "debugfs",
        "tracefs", "securityfs",  "pstore",          "bpf",         "configfs", "fusectl",   "hugetlbfs",
        "autofs",  "binfmt_misc", "efivarfs",        "rpc_pipefs",  "nsfs",     "selinuxfs", "devtmpfs",
        "ramfs",   "rootfs",      "fuse.gvfsd-fuse", "fuse.portal",
    };
    static const QLatin1StringView places[]
        = {QLatin1StringView("/proc"), QLatin1StringView("/sys"), QLatin1StringView("/dev"),
           QLatin1StringView("/var/run"), QLatin1StringView("/var/lock")};
    return pseudo.contains(QByteArrayView(entry.type))
        || std::any_of(std::begin(places), std::end(places),
                       [&entry](QLatin1StringView place) { return isUnder(entry.mountPoint, place); });
}

QStringList cardVolumes(const QList<MountEntry> &table)
{
    QStringList roots;
    for (const MountEntry &entry : table) {
        if (!isPseudoMount(entry))
            roots.append(entry.mountPoint);
    }
    return roots;
}

namespace {

// The device a by-uuid link or a mount's source names, as a canonical path. Only absolute names are followed:
// a source like "tmpfs" names no file.
QString deviceOf(const QString &name)
{
    return name.startsWith(u'/') ? QFileInfo(name).canonicalFilePath() : QString();
}

} // namespace

namespace {

// Deeper than any folder a card or a reference is chosen in; a loop of mounts ends here too.
constexpr int AncestorLimit = 256;

struct Place
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Place &) const = default;
};

// The open folder and every folder above it up to the system's root, each by device and inode: ".." crosses from a
// mount's root to the folder it is mounted on.
QList<Place> ancestry(int folder)
{
    QList<Place> places;
    Fd at(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    for (int depth = 0; depth < AncestorLimit && at.isOpen(); ++depth) {
        struct stat info;
        if (::fstat(at.get(), &info) != 0 || places.contains(Place {info.st_dev, info.st_ino}))
            break; // the system's root is its own ".."
        places.append({info.st_dev, info.st_ino});
        at = Fd(::openat(at.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    return places;
}

// Where the open folder lies in its own file system, as the mount it is reached through says: a bind mount of a
// subfolder names that subfolder, which no ".." leads to. Empty when the table does not tell.
QString pathInFileSystem(int folder, const QString &path, const QList<MountEntry> &table)
{
    const quint64 mount = tableMountIdOf(folder);
    const auto entry = std::find_if(table.cbegin(), table.cend(),
                                    [mount](const MountEntry &mounted) { return mounted.id == mount; });
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (mount == 0 || entry == table.cend() || canonical.isEmpty())
        return {};
    const QString inside = QDir(entry->mountPoint).relativeFilePath(canonical);
    if (inside == QStringLiteral("..") || inside.startsWith(QStringLiteral("../")))
        return {};
    return QDir::cleanPath(entry->fsRoot + u'/' + inside);
}

bool isWithin(const QString &inner, const QString &outer)
{
    return outer == QStringLiteral("/") || inner == outer || inner.startsWith(outer + u'/');
}

} // namespace

bool foldersOverlap(const QString &one, const QString &other)
{
    const Fd a(::open(encodeFileName(one).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const Fd b(::open(encodeFileName(other).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!a.isOpen() || !b.isOpen())
        return false;
    const QList<Place> aboveA = ancestry(a.get());
    const QList<Place> aboveB = ancestry(b.get());
    if (aboveA.isEmpty() || aboveB.isEmpty())
        return false;
    if (aboveA.contains(aboveB.first()) || aboveB.contains(aboveA.first()))
        return true;
    if (aboveA.first().device != aboveB.first().device)
        return false;
    const QList<MountEntry> table = readMountTable();
    const QString pathA = pathInFileSystem(a.get(), one, table);
    const QString pathB = pathInFileSystem(b.get(), other, table);
    return !pathA.isEmpty() && !pathB.isEmpty() && (isWithin(pathA, pathB) || isWithin(pathB, pathA));
}

QString volumeKey(const QString &root, const QList<MountEntry> &table, const QString &byUuid)
{
    // The last entry for a mount point is the one in force.
    const auto entry = std::find_if(table.crbegin(), table.crend(),
                                    [&root](const MountEntry &mount) { return mount.mountPoint == root; });
    const QString device = entry == table.crend() ? QString() : deviceOf(entry->source);
    if (!device.isEmpty()) {
        const QDir links(byUuid);
        for (const QString &uuid : links.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            if (deviceOf(links.filePath(uuid)) == device)
                return QStringLiteral("uuid:") + uuid;
        }
    }
    return QStringLiteral("path:") + root;
}

QString rootOfKey(const QString &key, const QList<MountEntry> &table, const QString &byUuid)
{
    if (key.startsWith(QStringLiteral("path:")))
        return key.mid(5);
    if (!key.startsWith(QStringLiteral("uuid:")) || key.size() == 5 || key.contains(u'/'))
        return {};
    const QString device = deviceOf(QDir(byUuid).filePath(key.mid(5)));
    if (device.isEmpty())
        return {};
    for (auto entry = table.crbegin(); entry != table.crend(); ++entry) {
        if (deviceOf(entry->source) == device)
            return entry->mountPoint;
    }
    return {};
}

} // namespace Vexolo
