#pragma once

#include "fleet/fleetrepository.h"

#include <QDateTime>

#include <optional>

// The players of the fleet as a technician keeps them: one name a player, each beside its card, and how each stands
// beside the reference.
namespace Vexolo {

// A name as names are compared: trimmed and case folded, so "player 2 " is "Player 2".
QString foldedName(const QString &name);
// The player named so, as names are compared; none when no player is.
std::optional<Player> playerNamed(const QList<Player> &players, const QString &name);
// A player of the name for the card: its key, and the label and size of a card that is a device's (a plain folder has
// none). Asks the disk service: never on the window's thread.
Player playerFor(const CardStore &card, const QString &name);
// The player's card as the user knows it: "PLAYER02 (64 MB)", or by its key where its label is not known.
QString playerCardText(const Player &player);

// How a player's last known setup (its card's newest version) stands beside the reference.
struct Standing
{
    enum class Kind { Matches, Differs, NotSeenSince, NeverSeen, Unreadable };
    Kind kind = Kind::NeverSeen;
    qsizetype files = 0; // Differs: the files that differ
    QDateTime seen; // when the newest version was recorded
    QString error; // Unreadable: why
};
// "matches", "differs: 3 files", "not seen since 2024-05-02 14:10", "never seen", or why it cannot be told.
QString standingText(const Standing &standing);

// The reference as the players are compared with it: its setup, and when a file of it last changed.
struct ReferenceSetup
{
    QString root;
    CardStore::Contents contents;
    QDateTime changed;
};
ReferenceSetup readReference(const CardStore &reference);
// A newest version that differs and is older than the reference's last change is of a card not seen since. A card whose
// last apply (last, its newest log line) was of this reference, verified, after the reference and the newest version
// were last changed, matches.
Standing standingOf(const FleetRepository &fleet, const QString &cardKey, const ReferenceSetup &reference,
                    const std::optional<LogLine> &last = std::nullopt);

// A line of the players table: the player, its last apply or restore, and, with a reference, how it stands.
struct PlayerRow
{
    Player player;
    std::optional<LogLine> last;
    std::optional<Standing> standing;
};
struct PlayersTable
{
    QList<PlayerRow> rows;
    QStringList errors; // what could not be read
};
// The register with the log, and with a reference (a chosen store, or none) each player's standing. Reads the fleet
// and the reference: never on the window's thread.
PlayersTable playersTable(const FleetRepository &fleet, const CardStore *reference);
QByteArray playersJson(const PlayersTable &table);

} // namespace Vexolo
