#pragma once

#include "fleet/fleet.h"
#include "storage/mounts.h"

#include <optional>

// The production line's steps, the same for the Fleet window and the command line: what a newly mounted volume
// is, and for a card: who it belongs to, registering it, making it match the reference, and ejecting it. Each
// step returns what it found as a value; the caller words it. Every step may touch a card, the fleet's data or the
// disk service: never on the window's thread.
namespace Vexolo {

// What tells a card from the other mounts: the volume's entry in the mount table and the disk service's word.
struct VolumeFacts
{
    std::optional<MountEntry> mount; // the entry in force at the volume's root; none when nothing is mounted there
    bool mountedBefore = false; // the same file system is mounted at an earlier place: this is a bind mount of it
    std::optional<DiskAnswer> disk; // none where the disk service is absent
};

// A card: a whole file system of a block device that the disk service calls removable, or whose media is a flash
// card or stick (SD, MMC, USB mass storage); where the service is absent, a FAT or exFAT file system. Never a bind
// mount, a pseudo, memory or FUSE file system, or a mount without a block device.
bool isCardLike(const VolumeFacts &facts);

// The facts of the volume at root in the table; the disk service is asked through ask (askDiskService) only about a
// block device.
VolumeFacts describeVolume(const QString &root, const QList<MountEntry> &table,
                           const std::function<std::optional<DiskAnswer>(const QString &device)> &ask);
// From the mount table in force and the desktop's disk service.
VolumeFacts describeVolume(const QString &root);

namespace Production {

enum class Arrival {
    NotACard, // not card-like, or no card there: nothing is said of it
    NoReference, // a card, but no reference is chosen: nothing is written
    Reference, // the reference itself, or a folder inside it or holding it: left alone
    Cloned, // a card whose identity another mounted card shares (clones): nothing is recorded or written
    NeedsName, // a card no player has yet: it needs a player's name first
    Ready, // a card of a player, to be made to match the reference
    FleetUnreadable, // a card, but the register cannot be read (fleetError says why): left as it is
};

// A volume newly mounted, as the first step finds it.
struct Card
{
    Arrival arrival = Arrival::NotACard;
    QString root;
    QString reference; // the reference's folder, cleaned
    CardLabel label;
    qint64 bytes = -1; // the file system's size; -1 when it cannot be asked
    std::optional<Player> player;
    QStringList clones; // Cloned: the mount points of the others of its identity
    QString fleetError;
};

// Decides what the volume at root is (given its facts) with reference (a folder, as typed) chosen, and for a card
// identifies it and finds its player.
Card receive(const QString &root, const VolumeFacts &facts, const QString &reference, const FleetRepository &fleet);

// Ties the card to a new player of that name (trimmed); the card is then Ready.
FleetChange registerCard(FleetRepository &fleet, Card &card, const QString &name);

// Makes the card match the reference: copied, written, read back and logged (FleetResult says how, and whether its
// log line was written). A refusal, or a stop before the first write, is logged too, with its cause.
FleetResult applyTo(FleetRepository &fleet, const Card &card, const Progress &progress,
                    const std::function<bool()> &keepGoing);

// A verified card, unmounted and powered off by the disk service; why not, where it could not be.
struct Ejected
{
    bool done = false;
    QString why;
};
Ejected eject(const Card &card);

// The steps after receive, in order: register (when named), apply and verify, eject (when verified). A register
// refused is logged with its cause (result.logged says whether that line was written).
struct Outcome
{
    std::optional<FleetChange> registered; // asked only for a card that needed a name
    FleetResult result;
    Ejected ejected;
    bool applied() const { return !registered || !registered->failed(); }
};
Outcome finish(FleetRepository &fleet, Card card, const QString &name, const Progress &progress,
               const std::function<bool()> &keepGoing);

} // namespace Production

} // namespace Vexolo
