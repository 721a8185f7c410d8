#include "fleet/productionline.h"

#include "fleet/fleet_p.h"
#include "storage/cardsession.h"

#include <QDir>
#include <QFile>

#include <sys/statvfs.h>

#include <algorithm>

namespace Vexolo {

namespace {

bool isCardMedia(const DiskAnswer &disk)
{
    // UDisks names flash cards "flash", "flash_sd", "flash_mmc", ... and USB sticks "thumb".
    return disk.media.startsWith(QStringLiteral("flash")) || disk.media == QStringLiteral("thumb")
        || disk.bus == QStringLiteral("sdio");
}

} // namespace

bool isCardLike(const VolumeFacts &facts)
{
    if (!facts.mount || isPseudoMount(*facts.mount))
        return false;
    const MountEntry &mount = *facts.mount;
    // A bind mount shows what is mounted elsewhere already; a mount without a block device is no card.
    if (mount.fsRoot != QStringLiteral("/") || facts.mountedBefore || !mount.source.startsWith(QStringLiteral("/dev/")))
        return false;
    if (facts.disk)
        return facts.disk->removable || isCardMedia(*facts.disk);
    static const QByteArrayList fat = {"vfat", "exfat", "msdos"};
    return fat.contains(mount.type);
}

VolumeFacts describeVolume(const QString &root, const QList<MountEntry> &table,
                           const std::function<std::optional<DiskAnswer>(const QString &device)> &ask)
{
    VolumeFacts facts;
    // The last entry for a mount point is the one in force.
    const auto entry = std::find_if(table.crbegin(), table.crend(),
                                    [&root](const MountEntry &mount) { return mount.mountPoint == root; });
    if (entry == table.crend())
        return facts;
    facts.mount = *entry;
    facts.mountedBefore = std::any_of(std::next(entry), table.crend(), [&entry](const MountEntry &earlier) {
        return earlier.source == entry->source && earlier.mountPoint != entry->mountPoint
            && entry->source.startsWith(QStringLiteral("/dev/"));
    });
    if (entry->source.startsWith(QStringLiteral("/dev/")) && ask)
        facts.disk = ask(entry->source);
    return facts;
}

VolumeFacts describeVolume(const QString &root)
{
    return describeVolume(root, readMountTable(), askDiskService);
}

namespace Production {

constexpr qsizetype NameInLog = 100;

Card receive(const QString &root, const VolumeFacts &facts, const QString &reference, const FleetRepository &fleet)
{
    Card card;
    card.root = root;
    card.reference = QDir::cleanPath(reference.trimmed());
    if (!isCardLike(facts))
        return card;
    const CardStore referenceStore(card.reference);
    const CardStore store(root);
    if (reference.trimmed().isEmpty() || !referenceStore.identity().isValid()) {
        card.arrival = Arrival::NoReference;
        return card;
    }
    if (!store.identity().isValid())
        return card; // gone already
    if (cardsOverlap(referenceStore, store)) {
        card.arrival = Arrival::Reference;
        return card;
    }
    card.label = labelOf(store);
    struct statvfs fs = {};
    if (::statvfs(QFile::encodeName(root).constData(), &fs) == 0)
        card.bytes = qint64(fs.f_blocks) * qint64(fs.f_frsize);
    // A player, a history or a log line of one clone would be the other's too.
    card.clones = sharingIdentity(card.label);
    if (!card.clones.isEmpty()) {
        card.arrival = Arrival::Cloned;
        return card;
    }
    const FleetRead<std::optional<Player>> player = fleet.player(card.label.key);
    if (player.failed()) {
        card.arrival = Arrival::FleetUnreadable;
        card.fleetError = player.error;
        return card;
    }
    card.player = player.value;
    card.arrival = card.player ? Arrival::Ready : Arrival::NeedsName;
    return card;
}

FleetChange registerCard(FleetRepository &fleet, Card &card, const QString &name)
{
    const Player player {card.label.key, name.trimmed(), {}, {}, card.label.label, card.bytes};
    FleetChange registered = fleet.registerPlayer(player);
    if (!registered.failed()) {
        card.player = player;
        card.arrival = Arrival::Ready;
        CardSession::instance().tell({}, CardChange::playersChanged());
    }
    return registered;
}

FleetResult applyTo(FleetRepository &fleet, const Card &card, const Progress &progress,
                    const std::function<bool()> &keepGoing)
{
    const CardStore reference(card.reference);
    CardStore store(card.root);
    FleetResult result = applyReference(fleet, reference, store, false, progress, keepGoing);
    // The apply logs what it set out to write; a refusal, or a stop while the tracks were still being compared, would
    // leave the card's insertion out of the log.
    if (!result.refusal.isEmpty() || (result.cancelled && result.version.isEmpty()))
        result.logged = FleetDetail::log(fleet, card.label, card.reference, result);
    return result;
}

Ejected eject(const Card &card)
{
    Ejected ejected;
    ejected.done = ejectCard(card.label, &ejected.why);
    return ejected;
}

Outcome finish(FleetRepository &fleet, Card card, const QString &name, const Progress &progress,
               const std::function<bool()> &keepGoing)
{
    Outcome outcome;
    if (card.arrival == Arrival::NeedsName) {
        outcome.registered = registerCard(fleet, card, name);
        if (outcome.registered->failed()) {
            // The name as typed may be anything; a line of the log holds a name's worth of it.
            const QString why = QStringLiteral("failed: not registered as %1: %2")
                                    .arg(name.trimmed().left(NameInLog), fleetChangeText(*outcome.registered));
            outcome.result.logged
                = fleet.appendLog({QDateTime::currentDateTime(), {}, card.label.key, card.reference, {}, 0, 0, why});
            return outcome;
        }
    }
    if (card.arrival != Arrival::Ready)
        return outcome;
    outcome.result = applyTo(fleet, card, progress, keepGoing);
    if (outcome.result.verified())
        outcome.ejected = eject(card);
    return outcome;
}

} // namespace Production

} // namespace Vexolo
