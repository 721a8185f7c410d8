#include "cli_history.h"

#include "commandline.h"

#include "fleet/fleet.h"
#include "fleet/setupchanges.h"
#include "show/trackmedia.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>

using namespace Vexolo;
using CommandLine::Arguments;
using CommandLine::chooseCard;
using CommandLine::onlyOption;
using CommandLine::split;
using CommandLine::usage;

namespace {

// A version of one of the cards listed, and which.
struct CardVersion
{
    SetupVersion version;
    QString card; // its key
};

void print(const QList<CardVersion> &versions, bool json, bool naming, QTextStream &out)
{
    if (json) {
        QJsonArray array;
        for (const CardVersion &kept : versions) {
            QJsonObject object {{QStringLiteral("id"), kept.version.id},
                                {QStringLiteral("time"), kept.version.time.toUTC().toString(Qt::ISODate)},
                                {QStringLiteral("what"), kept.version.what}};
            if (naming)
                object.insert(QStringLiteral("card"), kept.card);
            array.append(object);
        }
        out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)) << u'\n';
        return;
    }
    for (const CardVersion &kept : versions) {
        out << kept.version.id << u' '
            << kept.version.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << QStringLiteral("  ")
            << versionWhen(kept.version);
        if (naming)
            out << QStringLiteral("  (card ") << kept.card << u')';
        out << u'\n';
    }
}

// The cards the player has had: those the register ties to its name, then those its log lines name.
FleetRead<QStringList> cardsOf(const FleetRepository &fleet, const QString &name)
{
    const FleetRead<QList<Player>> players = fleet.players();
    const FleetRead<QList<LogLine>> log = players.failed() ? decltype(log)() : fleet.log();
    if (players.failed() || log.failed())
        return {{}, players.failed() ? players.error : log.error};
    QStringList cards;
    for (const Player &player : players.value) {
        if (player.name == name && !cards.contains(player.key))
            cards.append(player.key);
    }
    for (const LogLine &line : log.value) {
        if (line.player == name && !cards.contains(line.card))
            cards.append(line.card);
    }
    return {cards, {}};
}

// Every version of every card the player has had, newest first.
int playerHistory(const QString &name, int limit, bool json, QTextStream &out, QTextStream &err)
{
    const FleetRepository fleet;
    if (!fleet.isOpen()) {
        err << QStringLiteral("the fleet's data cannot be opened: %1\n").arg(fleet.error());
        return CommandLine::ExitUsage;
    }
    const FleetRead<QStringList> cards = cardsOf(fleet, name);
    if (cards.failed() || cards.value.isEmpty()) {
        err << (cards.failed() ? cards.error
                               : QStringLiteral("%1: no card folder there, and no player of that name").arg(name))
            << u'\n';
        return CommandLine::ExitUsage;
    }
    QList<CardVersion> versions;
    for (const QString &card : cards.value) {
        const FleetRead<QList<SetupVersion>> read = fleet.history(card, 0, limit);
        if (read.failed()) {
            err << read.error << u'\n';
            return CommandLine::ExitUsage;
        }
        for (const SetupVersion &version : read.value)
            versions.append({version, card});
    }
    std::stable_sort(versions.begin(), versions.end(),
                     [](const CardVersion &a, const CardVersion &b) { return a.version.time > b.version.time; });
    print(versions.first(std::min<qsizetype>(versions.size(), limit)), json, true, out);
    return CommandLine::ExitSuccess;
}

// What changed on the card since its version id, one line a change; status 1 when anything did.
int changesSince(CardStore &card, const FleetRepository &fleet, const QString &id, QTextStream &out, QTextStream &err)
{
    const FleetRead<std::optional<SetupSnapshot>> version = fleet.version(labelOf(card).key, id);
    if (version.failed() || !version.value) {
        err << (version.failed() ? version.error : id + QStringLiteral(": no such version in the card's history"))
            << u'\n';
        return version.failed() ? CommandLine::ExitUsage : CommandLine::ExitFindings;
    }
    const CardStore::Contents now = card.readSetup();
    if (!now.readable) {
        err << card.root() << QStringLiteral(": the card cannot be read\n");
        return CommandLine::ExitUsage;
    }
    const QStringList changes = setupChanges(*version.value, snapshotOf(now), rememberedUnit());
    for (const QString &change : changes)
        out << change << u'\n';
    return changes.isEmpty() ? CommandLine::ExitSuccess : CommandLine::ExitFindings;
}

} // namespace

int runHistory(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    // Every version is kept: --limit shows the newest of them only.
    QStringList rest = arguments;
    int limit = INT_MAX;
    if (const qsizetype at = rest.indexOf(QStringLiteral("--limit")); at >= 0) {
        bool number = false;
        limit = rest.value(at + 1).toInt(&number);
        if (!number || limit < 1)
            return usage(u"history", err);
        rest.remove(at, 2);
    }
    const Arguments given = split(rest);
    bool json = false;
    if (given.cards.isEmpty() || given.cards.size() > 2 || !onlyOption(given, QStringLiteral("--json"), json)
        || (given.cards.size() == 2 && json))
        return usage(u"history", err);
    // A name that is no folder here is a player's.
    if (given.cards.size() == 1 && !QFileInfo(QDir::current().absoluteFilePath(given.cards[0])).isDir())
        return playerHistory(given.cards[0], limit, json, out, err);
    CardStore card;
    if (!chooseCard(card, given.cards[0], err))
        return CommandLine::ExitUsage;
    const FleetRepository fleet;
    if (!fleet.isOpen()) {
        err << QStringLiteral("the fleet's data cannot be opened: %1\n").arg(fleet.error());
        return CommandLine::ExitUsage;
    }
    if (given.cards.size() == 2)
        return changesSince(card, fleet, given.cards[1], out, err);
    const FleetRead<QList<SetupVersion>> read = fleet.history(labelOf(card).key, 0, limit);
    if (read.failed()) {
        err << read.error << u'\n';
        return CommandLine::ExitUsage;
    }
    QList<CardVersion> versions;
    for (const SetupVersion &version : read.value)
        versions.append({version, {}});
    print(versions, json, false, out);
    return CommandLine::ExitSuccess;
}
