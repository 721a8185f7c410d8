#include "fleet/players.h"

#include "fleet/cardnaming.h"
#include "fleet/fleet.h"
#include "storage/cardfiles.h"
#include "words/cardwords.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace Vexolo {

namespace {

// The player that holds a name another card's player asks for: refused, with that player's card named.
QString nameTaken(const QList<Player> &players, const QString &name, const QString &cardKey)
{
    const std::optional<Player> holder = playerNamed(players, name);
    if (!holder || holder->key == cardKey)
        return {};
    return QStringLiteral("\"%1\" is already the name of the player of the card %2")
        .arg(holder->name, playerCardText(*holder));
}

// Changes the card's player as given; refused when the card has none.
QString changePlayer(QList<Player> &players, const QString &cardKey, const std::function<void(Player &)> &change)
{
    for (Player &player : players) {
        if (player.key == cardKey) {
            change(player);
            return {};
        }
    }
    return QStringLiteral("no player is registered for the card %1").arg(cardKey);
}

QDateTime lastChanged(const QString &root)
{
    QDateTime newest;
    // The setup files only: the programs folder's files and the root's command files, their times alone.
    const QDir::Filters files = QDir::Files | QDir::NoSymLinks | QDir::Hidden;
    QFileInfoList infos = QDir(root, QStringLiteral("*.adv"), QDir::NoSort, files).entryInfoList();
    infos += QDir(root + u'/' + ProgramsFolderName, {}, QDir::NoSort, files).entryInfoList();
    for (const QFileInfo &info : std::as_const(infos))
        newest = std::max(newest, info.lastModified());
    return newest;
}

} // namespace

QString foldedName(const QString &name)
{
    return name.simplified().toCaseFolded();
}

std::optional<Player> playerNamed(const QList<Player> &players, const QString &name)
{
    const QString folded = foldedName(name);
    for (const Player &player : players) {
        if (foldedName(player.name) == folded)
            return player;
    }
    return std::nullopt;
}

Player playerFor(const CardStore &card, const QString &name)
{
    const CardLabel label = labelOf(card);
    Player player {label.key, name.trimmed(), {}, {}, label.label, -1};
    if (!label.device.isEmpty())
        player.bytes = nameCard(card.root(), false).bytes;
    return player;
}

QString playerCardText(const Player &player)
{
    if (player.label.isEmpty())
        return player.bytes >= 0 ? QStringLiteral("%1 (%2)").arg(player.key, sizeText(player.bytes)) : player.key;
    return player.bytes >= 0 ? QStringLiteral("%1 (%2)").arg(player.label, sizeText(player.bytes)) : player.label;
}

FleetChange FleetRepository::registerPlayer(const Player &player)
{
    return changeRegister(
        [&player](QList<Player> &players) {
            if (QString taken = nameTaken(players, player.name, player.key); !taken.isEmpty())
                return taken;
            Player given = player;
            given.name = player.name.trimmed();
            for (const Player &was : std::as_const(players)) {
                if (was.key == player.key) {
                    given.label = given.label.isEmpty() ? was.label : given.label;
                    given.bytes = given.bytes < 0 ? was.bytes : given.bytes;
                }
            }
            players.removeIf([&player](const Player &other) { return other.key == player.key; });
            players.append(given);
            return QString();
        },
        QStringLiteral("Register %1").arg(player.name));
}

FleetChange FleetRepository::forgetPlayer(const QString &cardKey)
{
    return changeRegister(
        [&cardKey](QList<Player> &players) {
            if (players.removeIf([&cardKey](const Player &player) { return player.key == cardKey; }) == 0)
                return QStringLiteral("no player is registered for the card %1").arg(cardKey);
            return QString();
        },
        QStringLiteral("Forget the player of %1").arg(cardKey));
}

FleetChange FleetRepository::renamePlayer(const QString &cardKey, const QString &name)
{
    return changeRegister(
        [&cardKey, &name](QList<Player> &players) {
            if (QString taken = nameTaken(players, name, cardKey); !taken.isEmpty())
                return taken;
            return changePlayer(players, cardKey, [&name](Player &player) { player.name = name.trimmed(); });
        },
        QStringLiteral("Rename the player of %1 to %2").arg(cardKey, name));
}

FleetChange FleetRepository::setPlayerLocation(const QString &cardKey, const QString &location)
{
    return changeRegister(
        [&](QList<Player> &players) {
            return changePlayer(players, cardKey, [&location](Player &player) { player.location = location; });
        },
        QStringLiteral("Locate the player of %1").arg(cardKey));
}

FleetChange FleetRepository::setPlayerNotes(const QString &cardKey, const QString &notes)
{
    return changeRegister(
        [&](QList<Player> &players) {
            return changePlayer(players, cardKey, [&notes](Player &player) { player.notes = notes; });
        },
        QStringLiteral("Notes on the player of %1").arg(cardKey));
}

QString standingText(const Standing &standing)
{
    switch (standing.kind) {
    case Standing::Kind::Matches:
        return QStringLiteral("matches");
    case Standing::Kind::Differs:
        return standing.files == 1 ? QStringLiteral("differs: 1 file")
                                   : QStringLiteral("differs: %1 files").arg(standing.files);
    case Standing::Kind::NotSeenSince:
        return QStringLiteral("not seen since %1")
            .arg(standing.seen.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    case Standing::Kind::NeverSeen:
        return QStringLiteral("never seen");
    case Standing::Kind::Unreadable:
        break;
    }
    return standing.error;
}

ReferenceSetup readReference(const CardStore &reference)
{
    return {reference.root(), reference.readContents(), lastChanged(reference.root())};
}

Standing standingOf(const FleetRepository &fleet, const QString &cardKey, const ReferenceSetup &reference,
                    const std::optional<LogLine> &last)
{
    if (!reference.contents.readable)
        return {Standing::Kind::Unreadable, {}, {}, QStringLiteral("the reference cannot be read")};
    const FleetRead<QList<SetupVersion>> newest = fleet.history(cardKey, 0, 1);
    if (newest.failed() || newest.value.isEmpty())
        return {newest.failed() ? Standing::Kind::Unreadable : Standing::Kind::NeverSeen, {}, {}, newest.error};
    const SetupVersion &seen = newest.value.constFirst();
    // A verified apply of this reference since it and the newest version were last changed (the log keeps whole
    // seconds) needs no comparing.
    const qint64 since = std::max(reference.changed.isValid() ? reference.changed.toSecsSinceEpoch() : 0,
                                  seen.time.toSecsSinceEpoch());
    if (last && last->result == QStringLiteral("verified") && last->time.toSecsSinceEpoch() >= since
        && QDir::cleanPath(last->reference) == QDir::cleanPath(reference.root))
        return {Standing::Kind::Matches, {}, last->time, {}};
    const FleetRead<std::optional<SetupSnapshot>> files = fleet.version(cardKey, seen.id);
    if (files.failed() || !files.value)
        return {Standing::Kind::Unreadable, 0, seen.time,
                files.failed() ? files.error : QStringLiteral("version %1 cannot be read").arg(seen.id)};
    // Its tracks are not kept with a version: the reference's stand for them, so only the setup is compared.
    const Findings differences = compareSetups(reference.contents, contentsOf(*files.value, reference.contents.tracks));
    QSet<QString> places;
    for (const Finding &difference : differences)
        places.insert(difference.place);
    if (places.isEmpty())
        return {Standing::Kind::Matches, {}, seen.time, {}};
    if (seen.time < reference.changed)
        return {Standing::Kind::NotSeenSince, places.size(), seen.time, {}};
    return {Standing::Kind::Differs, places.size(), seen.time, {}};
}

PlayersTable playersTable(const FleetRepository &fleet, const CardStore *reference)
{
    PlayersTable table;
    const FleetRead<QList<Player>> players = fleet.players();
    const FleetRead<QList<LogLine>> log = fleet.log();
    for (const QString &error : {players.error, log.error}) {
        if (!error.isEmpty())
            table.errors.append(error);
    }
    const std::optional<ReferenceSetup> setup
        = reference ? std::make_optional(readReference(*reference)) : std::nullopt;
    for (const Player &player : players.value) {
        PlayerRow row {player, {}, {}};
        for (auto line = log.value.crbegin(); line != log.value.crend() && !row.last; ++line) {
            if (line->card == player.key)
                row.last = *line;
        }
        if (setup)
            row.standing = standingOf(fleet, player.key, *setup, row.last);
        table.rows.append(row);
    }
    return table;
}

QByteArray playersJson(const PlayersTable &table)
{
    QJsonArray rows;
    for (const PlayerRow &row : table.rows) {
        QJsonObject object {
            {QStringLiteral("name"), row.player.name},         {QStringLiteral("card"), row.player.key},
            {QStringLiteral("label"), row.player.label},       {QStringLiteral("bytes"), row.player.bytes},
            {QStringLiteral("location"), row.player.location}, {QStringLiteral("notes"), row.player.notes}};
        if (row.last) {
            object.insert(QStringLiteral("lastApply"), row.last->time.toUTC().toString(Qt::ISODate));
            object.insert(QStringLiteral("result"), row.last->result);
        }
        if (row.standing)
            object.insert(QStringLiteral("upToDate"), standingText(*row.standing));
        rows.append(object);
    }
    return QJsonDocument(rows).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace Vexolo
