#include "cli_players.h"

#include "commandline.h"

#include "fleet/fleet.h"
#include "fleet/players.h"
#include "words/findingwords.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace Vexolo;
using CommandLine::Arguments;
using CommandLine::chooseCard;
using CommandLine::onlyOption;
using CommandLine::split;
using CommandLine::usage;

namespace {

bool openFleet(FleetRepository &fleet, QTextStream &err)
{
    if (fleet.isOpen())
        return true;
    err << QStringLiteral("the fleet's data cannot be opened: %1\n").arg(fleet.error());
    return false;
}

// The card named, chosen, and the fleet, open; false after one line on err.
bool openCardAndFleet(CardStore &card, const QString &path, FleetRepository &fleet, QTextStream &err)
{
    return chooseCard(card, path, err) && openFleet(fleet, err);
}

// Whether another mounted card shares the card's identity (a clone): said, and then nothing is recorded for either.
bool cloned(const CardLabel &label, const QString &path, QTextStream &err)
{
    const QStringList others = sharingIdentity(label);
    if (others.isEmpty())
        return false;
    err << QStringLiteral("%1: the card at %2 has the same identity (%3): a copy of this card; nothing was recorded. "
                          "Give one of them an identity of its own (see the README).\n")
               .arg(path, others.join(QStringLiteral(", ")), label.key);
    return true;
}

// What a restore or an apply did: each file on out, each problem on err.
int reportResult(const FleetResult &result, bool dryRun, QTextStream &out, QTextStream &err)
{
    for (const Finding &finding : result.notes + result.refusal)
        err << findingLine(finding) << u'\n';
    if (!result.refusal.isEmpty())
        return CommandLine::ExitFindings;
    for (QString action : result.actions)
        out << (dryRun ? action.replace(QStringLiteral(": "), QStringLiteral(": would be ")) : action) << u'\n';
    for (const Finding &problem : result.problems)
        err << findingLine(problem) << u'\n';
    if (result.logged.failed())
        err << fleetChangeText(result.logged) << u'\n';
    if (dryRun) {
        out << QStringLiteral("%1 files would be changed (%2 bytes written); nothing was written.\n")
                   .arg(result.files)
                   .arg(result.bytes);
        if (result.version.isEmpty())
            out << QStringLiteral(
                "The reference's version is not yet known: its tracks are read as they are copied.\n");
        return CommandLine::ExitSuccess;
    }
    if (result.cancelled || !result.problems.isEmpty())
        return CommandLine::ExitFindings;
    out << QStringLiteral("%1 files changed (%2 bytes written); verified.\n").arg(result.files).arg(result.bytes);
    // The card is as it should be, but what the fleet knows of it is not: a script must hear of it.
    return result.logged.failed() ? CommandLine::ExitFindings : CommandLine::ExitSuccess;
}

// Takes "option value" out of rest; false when the option is there without a value.
bool takeOption(QStringList &rest, const QString &option, std::optional<QString> &value)
{
    const qsizetype at = rest.indexOf(option);
    if (at < 0)
        return true;
    if (at + 1 >= rest.size())
        return false;
    value = rest.takeAt(at + 1);
    rest.removeAt(at);
    return true;
}

// A change of the register that was refused or failed, one line on err.
int changeRefused(const FleetChange &change, const QString &given, QTextStream &err)
{
    err << given << QStringLiteral(": ") << fleetChangeText(change) << u'\n';
    return change.part == FleetChange::Part::Refused ? CommandLine::ExitFindings : CommandLine::ExitUsage;
}

// The player named so, or else the player of the card at that folder; none after one line on err.
std::optional<Player> namedPlayer(const FleetRepository &fleet, const QString &given, QTextStream &err)
{
    const FleetRead<QList<Player>> players = fleet.players();
    if (players.failed()) {
        err << players.error << u'\n';
        return std::nullopt;
    }
    if (std::optional<Player> named = playerNamed(players.value, given))
        return named;
    if (QFileInfo(given).isDir()) {
        CardStore card;
        if (!chooseCard(card, given, err))
            return std::nullopt;
        const QString key = labelOf(card).key;
        for (const Player &player : players.value) {
            if (player.key == key)
                return player;
        }
        err << QStringLiteral("%1: no player registered for this card (%2)\n").arg(given, key);
        return std::nullopt;
    }
    err << QStringLiteral("%1: no player of that name, and no card folder there\n").arg(given);
    return std::nullopt;
}

// The players table in columns, a header first; "-" for what is not known.
void printTable(const PlayersTable &table, bool withReference, QTextStream &out)
{
    QList<QStringList> lines {{QStringLiteral("Player"), QStringLiteral("Card"), QStringLiteral("Location"),
                               QStringLiteral("Last apply"), QStringLiteral("Result")}};
    if (withReference)
        lines[0].append(QStringLiteral("Up to date"));
    for (const PlayerRow &row : table.rows) {
        QStringList line {row.player.name, playerCardText(row.player), row.player.location,
                          row.last ? row.last->time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                   : QString(),
                          row.last ? row.last->result : QString()};
        if (row.standing)
            line.append(standingText(*row.standing));
        lines.append(line);
    }
    QList<qsizetype> widths(lines[0].size(), 0);
    for (QStringList &line : lines) {
        for (qsizetype column = 0; column < line.size(); ++column) {
            if (line[column].isEmpty())
                line[column] = QStringLiteral("-");
            widths[column] = std::max(widths[column], line[column].size());
        }
    }
    for (const QStringList &line : std::as_const(lines)) {
        QString text;
        for (qsizetype column = 0; column < line.size(); ++column)
            text += column + 1 < line.size() ? line[column].leftJustified(widths[column] + 2) : line[column];
        out << text << u'\n';
    }
}

// "Pulled: 2 versions, 1 player, 3 log lines." and its like, and a line a conflict.
QStringList syncText(const SyncSummary &summary)
{
    const auto counted = [](int n, const QString &one, const QString &many) {
        return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
    };
    const auto line = [&](const QString &way, const SyncSummary::Moved &moved) {
        return QStringLiteral("%1: %2, %3, %4.")
            .arg(way, counted(moved.versions, QStringLiteral("version"), QStringLiteral("versions")),
                 counted(moved.players, QStringLiteral("player"), QStringLiteral("players")),
                 counted(moved.logLines, QStringLiteral("log line"), QStringLiteral("log lines")));
    };
    QStringList lines;
    if (summary.pulled.any())
        lines.append(line(QStringLiteral("Pulled"), summary.pulled));
    if (summary.pushed.any())
        lines.append(line(QStringLiteral("Pushed"), summary.pushed));
    if (lines.isEmpty())
        lines.append(QStringLiteral("The fleet is in step with the remote."));
    return lines + summary.conflicts;
}

} // namespace

int runRestore(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const Arguments given = split(arguments);
    bool dryRun = false;
    if (given.cards.size() != 2 || !onlyOption(given, QStringLiteral("--dry-run"), dryRun))
        return usage(u"restore", err);
    CardStore card;
    FleetRepository fleet;
    if (!openCardAndFleet(card, given.cards[0], fleet, err))
        return CommandLine::ExitUsage;
    return reportResult(restoreVersion(fleet, card, given.cards[1], dryRun), dryRun, out, err);
}

int runApply(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const Arguments given = split(arguments);
    bool dryRun = false;
    if (given.cards.size() != 2 || !onlyOption(given, QStringLiteral("--dry-run"), dryRun))
        return usage(u"apply", err);
    CardStore reference;
    CardStore card;
    FleetRepository fleet;
    // A fleet's data that cannot be opened keeps no card from being written: the result says the history is not kept.
    if (!chooseCard(reference, given.cards[0], err) || !chooseCard(card, given.cards[1], err))
        return CommandLine::ExitUsage;
    if (cloned(labelOf(card), given.cards[1], err))
        return CommandLine::ExitFindings;
    return reportResult(applyReference(fleet, reference, card, dryRun), dryRun, out, err);
}

int runRegister(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    // register CARD NAME [--location TEXT] [--notes TEXT]; a card registered already keeps what is not given.
    QStringList rest = arguments;
    std::optional<QString> location;
    std::optional<QString> notes;
    if (!takeOption(rest, QStringLiteral("--location"), location) || !takeOption(rest, QStringLiteral("--notes"), notes)
        || rest.size() != 2 || rest[1].trimmed().isEmpty() || rest[1].startsWith(QStringLiteral("--")))
        return usage(u"register", err);
    CardStore card;
    FleetRepository fleet;
    if (!openCardAndFleet(card, rest[0], fleet, err))
        return CommandLine::ExitUsage;
    const CardLabel label = labelOf(card);
    if (cloned(label, rest[0], err))
        return CommandLine::ExitFindings;
    Player player = playerFor(card, rest[1]);
    const std::optional<Player> was = fleet.player(player.key).value;
    player.location = location.value_or(was ? was->location : QString());
    player.notes = notes.value_or(was ? was->notes : QString());
    if (const FleetChange registered = fleet.registerPlayer(player); registered.failed())
        return changeRefused(registered, rest[0], err);
    if (was && was->name != player.name)
        out << QStringLiteral("%1 is %2 (was: %3)\n").arg(player.key, player.name, was->name);
    else
        out << QStringLiteral("%1 is %2\n").arg(player.key, player.name);
    return CommandLine::ExitSuccess;
}

int runForget(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() != 1 || arguments[0].startsWith(QStringLiteral("--")))
        return usage(u"forget", err);
    FleetRepository fleet;
    const std::optional<Player> player = openFleet(fleet, err) ? namedPlayer(fleet, arguments[0], err) : std::nullopt;
    if (!player)
        return CommandLine::ExitUsage;
    if (const FleetChange forgotten = fleet.forgetPlayer(player->key); forgotten.failed())
        return changeRefused(forgotten, arguments[0], err);
    out << QStringLiteral("%1 (card %2) is no longer registered; the card's history is kept.\n")
               .arg(player->name, playerCardText(*player));
    return CommandLine::ExitSuccess;
}

int runPlayer(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    // player NAME [--rename NEW] [--location TEXT] [--notes TEXT]; with no option, what the register holds of it.
    QStringList rest = arguments;
    std::optional<QString> name;
    std::optional<QString> location;
    std::optional<QString> notes;
    if (!takeOption(rest, QStringLiteral("--rename"), name) || !takeOption(rest, QStringLiteral("--location"), location)
        || !takeOption(rest, QStringLiteral("--notes"), notes) || rest.size() != 1
        || rest[0].startsWith(QStringLiteral("--")) || (name && name->trimmed().isEmpty()))
        return usage(u"player", err);
    FleetRepository fleet;
    const std::optional<Player> player = openFleet(fleet, err) ? namedPlayer(fleet, rest[0], err) : std::nullopt;
    if (!player)
        return CommandLine::ExitUsage;
    for (const FleetChange &change : {name ? fleet.renamePlayer(player->key, *name) : FleetChange(),
                                      location ? fleet.setPlayerLocation(player->key, *location) : FleetChange(),
                                      notes ? fleet.setPlayerNotes(player->key, *notes) : FleetChange()}) {
        if (change.failed())
            return changeRefused(change, rest[0], err);
    }
    const Player now = fleet.player(player->key).value.value_or(*player);
    out << QStringLiteral("%1\ncard: %2\nlocation: %3\nnotes: %4\n")
               .arg(now.name, playerCardText(now), now.location, now.notes);
    return CommandLine::ExitSuccess;
}

int runFleet(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QStringList rest = arguments;
    std::optional<QString> folder;
    if (!takeOption(rest, QStringLiteral("--reference"), folder))
        return usage(u"fleet", err);
    const Arguments given = split(rest);
    bool json = false;
    if (!given.cards.isEmpty() || !onlyOption(given, QStringLiteral("--json"), json))
        return usage(u"fleet", err);
    CardStore reference;
    FleetRepository fleet;
    if ((folder && !chooseCard(reference, *folder, err)) || !openFleet(fleet, err))
        return CommandLine::ExitUsage;
    const PlayersTable table = playersTable(fleet, folder ? &reference : nullptr);
    for (const QString &error : table.errors)
        err << error << u'\n';
    if (json)
        out << QString::fromUtf8(playersJson(table));
    else
        printTable(table, folder.has_value(), out);
    return table.errors.isEmpty() ? CommandLine::ExitSuccess : CommandLine::ExitUsage;
}

int runIdentify(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() != 1 || arguments[0].startsWith(QStringLiteral("--")))
        return usage(u"identify", err);
    CardStore card;
    FleetRepository fleet;
    if (!openCardAndFleet(card, arguments[0], fleet, err))
        return CommandLine::ExitUsage;
    const CardLabel label = labelOf(card);
    if (cloned(label, arguments[0], err))
        return CommandLine::ExitFindings;
    const FleetRead<std::optional<Player>> read = fleet.player(label.key);
    const std::optional<Player> &player = read.value;
    if (read.failed()) {
        err << read.error << u'\n';
        return CommandLine::ExitUsage;
    }
    if (!player) {
        err << QStringLiteral("%1: no player registered for this card (%2)\n").arg(arguments[0], label.key);
        return CommandLine::ExitFindings;
    }
    out << player->name << u'\n';
    return CommandLine::ExitSuccess;
}

int runLog(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const bool json = arguments == QStringList {QStringLiteral("--json")};
    if (!json && !arguments.isEmpty())
        return usage(u"log", err);
    FleetRepository fleet;
    if (!openFleet(fleet, err))
        return CommandLine::ExitUsage;
    const FleetRead<QList<LogLine>> read = fleet.log();
    if (read.failed()) {
        err << read.error << u'\n';
        return CommandLine::ExitUsage;
    }
    if (json) {
        out << QString::fromUtf8(logJson(read.value));
        return CommandLine::ExitSuccess;
    }
    for (const LogLine &line : read.value)
        out << logText(line) << u'\n';
    return CommandLine::ExitSuccess;
}

int runSync(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() > 1 || (arguments.size() == 1 && arguments[0].startsWith(QStringLiteral("--"))))
        return usage(u"sync", err);
    FleetRepository fleet;
    if (!openFleet(fleet, err))
        return CommandLine::ExitUsage;
    const std::optional<SyncSummary> summary = fleet.sync(arguments.value(0));
    if (!summary) {
        err << QStringLiteral("the fleet could not be synced: %1\n").arg(fleet.error());
        return CommandLine::ExitFindings;
    }
    for (const QString &line : syncText(*summary))
        out << line << u'\n';
    return CommandLine::ExitSuccess;
}
