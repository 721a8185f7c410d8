#include "fleet/cardlabel.h"

#include "storage/mounts.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFileInfo>

#include <blkid/blkid.h>

namespace Vexolo {

namespace {

const QString Service = QStringLiteral("org.freedesktop.UDisks2");
constexpr int AnswerWithin = 3000; // ms: a disk service that does not answer is taken for none

QString blockObject(const QString &device)
{
    return QStringLiteral("/org/freedesktop/UDisks2/block_devices/") + QFileInfo(device).fileName();
}

const QString Properties = QStringLiteral("org.freedesktop.DBus.Properties");

// The program's one client of the disk service: one connection to the system bus, asked from any thread (Qt's
// connections are thread-safe), each call within the time limit.
class DiskService final
{
public:
    static const DiskService &instance()
    {
        static const DiskService service;
        return service;
    }

    QDBusMessage ask(const QString &object, const QString &interface, const QString &method,
                     const QVariantList &arguments) const
    {
        if (!m_bus.isConnected())
            return {};
        QDBusMessage call = QDBusMessage::createMethodCall(Service, object, interface, method);
        call.setArguments(arguments);
        return m_bus.call(call, QDBus::Block, AnswerWithin);
    }

private:
    DiskService()
        : m_bus(QDBusConnection::systemBus())
    {
    }
    QDBusConnection m_bus;
};

QDBusMessage ask(const QString &object, const QString &interface, const QString &method, const QVariantList &arguments)
{
    return DiskService::instance().ask(object, interface, method, arguments);
}

// No bus, no service, or none that answers: the service is taken for absent.
bool serviceAbsent(const QDBusMessage &reply)
{
    static const QStringList absent = {QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
                                       QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
                                       QStringLiteral("org.freedesktop.DBus.Error.NoReply"),
                                       QStringLiteral("org.freedesktop.DBus.Error.Timeout"),
                                       QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
                                       QStringLiteral("org.freedesktop.DBus.Error.NoServer")};
    return reply.type() == QDBusMessage::InvalidMessage
        || (reply.type() == QDBusMessage::ErrorMessage && absent.contains(reply.errorName()));
}

QVariant valueOf(const QDBusMessage &reply)
{
    // No answer, or an error's text in place of the value: no value.
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

QVariant property(const QString &object, const QString &interface, const QString &name)
{
    return valueOf(ask(object, Properties, QStringLiteral("Get"), {interface, name}));
}

QString text(const QVariant &value)
{
    // The service gives byte strings for some properties and strings for others.
    return value.typeId() == QMetaType::QByteArray ? QString::fromUtf8(value.toByteArray()).remove(QChar())
                                                   : value.toString();
}

bool labelFromDiskService(const QString &device, CardLabel &card)
{
    const QString object = blockObject(device);
    const QString block = QStringLiteral("org.freedesktop.UDisks2.Block");
    const QVariant uuid = property(object, block, QStringLiteral("IdUUID"));
    if (!uuid.isValid())
        return false;
    card.uuid = text(uuid);
    card.label = text(property(object, block, QStringLiteral("IdLabel")));
    return true;
}

void probeDevice(const QString &device, CardLabel &card)
{
    blkid_probe probe = blkid_new_probe_from_filename(QFile::encodeName(device).constData());
    if (!probe)
        return;
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_UUID | BLKID_SUBLKS_LABEL);
    if (blkid_do_safeprobe(probe) == 0) {
        const char *value = nullptr;
        if (blkid_probe_lookup_value(probe, "UUID", &value, nullptr) == 0)
            card.uuid = QString::fromUtf8(value);
        if (blkid_probe_lookup_value(probe, "LABEL", &value, nullptr) == 0)
            card.label = QString::fromUtf8(value);
    }
    blkid_free_probe(probe);
}

} // namespace

std::optional<DiskAnswer> askDiskService(const QString &device)
{
    const QDBusMessage reply = ask(blockObject(device), Properties, QStringLiteral("Get"),
                                   {QStringLiteral("org.freedesktop.UDisks2.Block"), QStringLiteral("Drive")});
    if (serviceAbsent(reply))
        return std::nullopt;
    DiskAnswer answer;
    const QString drive = valueOf(reply).value<QDBusObjectPath>().path();
    if (drive.isEmpty() || drive == QStringLiteral("/"))
        return answer; // no drive: a loop device, or a device the service does not know
    const QString interface = QStringLiteral("org.freedesktop.UDisks2.Drive");
    answer.removable = property(drive, interface, QStringLiteral("Removable")).toBool()
        || property(drive, interface, QStringLiteral("MediaRemovable")).toBool();
    answer.media = text(property(drive, interface, QStringLiteral("Media")));
    answer.bus = text(property(drive, interface, QStringLiteral("ConnectionBus")));
    return answer;
}

CardLabel identifyCard(const QString &root)
{
    CardLabel card;
    const QList<MountEntry> table = readMountTable();
    // The last entry for a mount point is the one in force.
    for (auto entry = table.crbegin(); entry != table.crend(); ++entry) {
        if (entry->mountPoint != root)
            continue;
        if (entry->source.startsWith(QStringLiteral("/dev/")))
            card.device = QFileInfo(entry->source).canonicalFilePath();
        break;
    }
    if (!card.device.isEmpty() && !labelFromDiskService(card.device, card))
        probeDevice(card.device, card);
    card.key = card.uuid.isEmpty() ? volumeKey(root, table) : QStringLiteral("uuid:") + card.uuid;
    return card;
}

QStringList sharingIdentity(const CardLabel &card, const QList<MountEntry> &table,
                            const std::function<QString(const QString &device)> &uuidOf)
{
    QStringList others;
    if (card.uuid.isEmpty())
        return others;
    QStringList asked {card.device};
    for (const MountEntry &entry : table) {
        if (!entry.source.startsWith(QStringLiteral("/dev/")))
            continue;
        const QString canonical = QFileInfo(entry.source).canonicalFilePath();
        const QString device = canonical.isEmpty() ? entry.source : canonical;
        // The card itself, and a device mounted twice, are asked once.
        if (asked.contains(device))
            continue;
        asked.append(device);
        if (uuidOf(device) == card.uuid)
            others.append(entry.mountPoint);
    }
    return others;
}

QStringList sharingIdentity(const CardLabel &card)
{
    return sharingIdentity(card, readMountTable(), [](const QString &device) {
        CardLabel other;
        if (!labelFromDiskService(device, other))
            probeDevice(device, other);
        return other.uuid;
    });
}

bool ejectCard(const CardLabel &card, QString *why)
{
    const auto failed = [why](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage)
            return false;
        *why = reply.errorMessage().isEmpty() ? QStringLiteral("the disk service does not answer")
                                              : reply.errorMessage();
        return true;
    };
    if (card.device.isEmpty()) {
        *why = QStringLiteral("a folder, not a card of its own");
        return false;
    }
    const QString object = blockObject(card.device);
    const QVariantMap none;
    if (failed(ask(object, QStringLiteral("org.freedesktop.UDisks2.Filesystem"), QStringLiteral("Unmount"), {none})))
        return false;
    const QVariant drive = property(object, QStringLiteral("org.freedesktop.UDisks2.Block"), QStringLiteral("Drive"));
    const QString drivePath = drive.value<QDBusObjectPath>().path();
    if (drivePath.isEmpty() || drivePath == QStringLiteral("/"))
        return true; // unmounted; nothing to power off (a loop device)
    return !failed(ask(drivePath, QStringLiteral("org.freedesktop.UDisks2.Drive"), QStringLiteral("PowerOff"), {none}));
}

} // namespace Vexolo
