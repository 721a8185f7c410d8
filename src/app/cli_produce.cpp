#include "cli_produce.h"

#include "commandline.h"

#include "fleet/productionreport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

#include <csignal>
#include <ctime>

using namespace Vexolo;
using CommandLine::usage;

namespace {

volatile std::sig_atomic_t g_stopAsked = 0;

// Ctrl+C and a polite kill stop the line after the card at hand (its copy is cut short between tracks); the
// handlers the program had are back once the line ends.
class StopSignals
{
public:
    StopSignals()
    {
        g_stopAsked = 0;
        struct sigaction stop = {};
        stop.sa_handler = [](int) { g_stopAsked = 1; };
        sigemptyset(&stop.sa_mask);
        // No SA_RESTART: the wait between looks at the mount table ends at once.
        sigaction(SIGINT, &stop, &m_interrupt);
        sigaction(SIGTERM, &stop, &m_terminate);
    }
    ~StopSignals()
    {
        sigaction(SIGINT, &m_interrupt, nullptr);
        sigaction(SIGTERM, &m_terminate, nullptr);
    }
    Q_DISABLE_COPY_MOVE(StopSignals)
    static bool asked() { return g_stopAsked != 0; }

private:
    struct sigaction m_interrupt = {};
    struct sigaction m_terminate = {};
};

// A test seam: VEXOLO_TEST_MOUNTINFO names a file in /proc/self/mountinfo's form that stands for the mount table, and
// no disk service is asked of its volumes. Unset, the kernel's table and the desktop's disk service are used.
struct MountSource
{
    QString testTable = qEnvironmentVariable("VEXOLO_TEST_MOUNTINFO");

    QList<MountEntry> table() const
    {
        if (testTable.isEmpty())
            return readMountTable();
        QFile file(testTable);
        return file.open(QIODevice::ReadOnly) ? parseMountTable(file.read(qint64(1) << 20)) : QList<MountEntry>();
    }
    VolumeFacts facts(const QString &root, const QList<MountEntry> &table) const
    {
        return describeVolume(root, table, testTable.isEmpty() ? askDiskService : nullptr);
    }
};

struct Options
{
    QString reference;
    qsizetype count = -1; // none given: one for each player registered
    QString namePrefix; // names unregistered cards prefix and the next number; none: they are left alone
};

bool parseOptions(const QStringList &arguments, Options &options)
{
    QStringList rest = arguments;
    for (const QString &option : {QStringLiteral("--count"), QStringLiteral("--name-prefix")}) {
        const qsizetype at = rest.indexOf(option);
        if (at < 0)
            continue;
        if (at + 1 >= rest.size())
            return false;
        const QString value = rest.takeAt(at + 1);
        rest.removeAt(at);
        bool number = true;
        if (option == QStringLiteral("--count"))
            options.count = value.toInt(&number);
        else
            options.namePrefix = value;
        if (!number || options.count == 0 || options.count < -1 || value.trimmed().isEmpty())
            return false;
    }
    if (rest.size() != 1 || rest[0].startsWith(QStringLiteral("--")))
        return false;
    options.reference = QDir::cleanPath(QDir::current().absoluteFilePath(rest[0]));
    return true;
}

// The prefix and one more than the highest number of a player so named ("Player 12" after "Player 11").
QString nextName(const QString &prefix, const QList<Player> &players)
{
    const QRegularExpression numbered(QStringLiteral("^%1(\\d+)$").arg(QRegularExpression::escape(prefix)));
    int highest = 0;
    for (const Player &player : players) {
        const QRegularExpressionMatch match = numbered.match(player.name);
        if (match.hasMatch())
            highest = std::max(highest, match.captured(1).toInt());
    }
    return (prefix + QString::number(highest + 1)).trimmed();
}

// Waits a second, or less when a signal comes.
void waitASecond()
{
    const timespec second {1, 0};
    nanosleep(&second, nullptr);
}

} // namespace

namespace {

// The line's run: what it was asked for and what it has done so far.
class Line
{
public:
    Line(const Options &options, FleetRepository &fleet, QTextStream &out, QTextStream &err)
        : m_options(options)
        , m_fleet(fleet)
        , m_out(out)
        , m_err(err)
    {
    }

    // The cards verified, by key.
    qsizetype done() const { return m_verified.size(); }
    qsizetype seen() const { return m_cards; }
    qsizetype notVerified() const { return m_notVerified; }

    // A volume newly mounted: one line when it is a card.
    void take(const QString &root, const VolumeFacts &facts)
    {
        const Production::Card card = Production::receive(root, facts, m_options.reference, m_fleet);
        const QString named = Production::cardText(card);
        switch (card.arrival) {
        case Production::Arrival::NotACard:
        case Production::Arrival::Reference:
            return;
        case Production::Arrival::NoReference:
            return left(QStringLiteral("%1: the reference cannot be read; nothing was written.").arg(named));
        case Production::Arrival::Cloned:
            return left(QStringLiteral("%1: the card at %2 has the same identity (a copy of this card); nothing was "
                                       "recorded or written. Give it an identity of its own first (see the README).")
                            .arg(named, card.clones.join(QStringLiteral(", "))));
        case Production::Arrival::FleetUnreadable:
            return left(QStringLiteral("%1: nothing was written — %2").arg(named, card.fleetError));
        case Production::Arrival::NeedsName:
            if (m_options.namePrefix.isEmpty())
                return left(QStringLiteral("%1: no player is registered for this card; nothing was written. Register "
                                           "it first (register %2 <player name>), or name new players with "
                                           "--name-prefix.")
                                .arg(named, root));
            return write(card, nextName(m_options.namePrefix, m_fleet.players().value));
        case Production::Arrival::Ready:
            return write(card, card.player->name);
        }
    }

private:
    void left(const QString &line)
    {
        ++m_cards;
        ++m_notVerified;
        m_out << line << Qt::endl;
    }

    void write(const Production::Card &card, const QString &name)
    {
        ++m_cards;
        const Production::Outcome outcome
            = Production::finish(m_fleet, card, name, {}, [] { return !StopSignals::asked(); });
        QString line
            = QStringLiteral("%1 %2: %3").arg(Production::cardText(card), name, Production::resultText(name, outcome));
        if (outcome.applied() && outcome.result.verified()) {
            m_verified.insert(card.label.key);
            line += QStringLiteral(" — version %1, %2 files").arg(outcome.result.version).arg(outcome.result.files);
        } else {
            ++m_notVerified;
        }
        m_out << line << Qt::endl;
        if (outcome.result.logged.failed())
            m_err << fleetChangeText(outcome.result.logged) << Qt::endl;
    }

    const Options &m_options;
    FleetRepository &m_fleet;
    QTextStream &m_out;
    QTextStream &m_err;
    qsizetype m_cards = 0;
    qsizetype m_notVerified = 0;
    QSet<QString> m_verified;
};

} // namespace

int runProduce(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    Options options;
    if (!parseOptions(arguments, options))
        return usage(u"produce", err);
    if (!CardStore(options.reference).identity().isValid()) {
        err << options.reference << QStringLiteral(": no reference folder there\n");
        return CommandLine::ExitUsage;
    }
    FleetRepository fleet;
    const FleetRead<QList<Player>> players = fleet.players();
    if (!fleet.isOpen() || players.failed()) {
        err << QStringLiteral("the fleet's data cannot be read: %1\n")
                   .arg(fleet.isOpen() ? players.error : fleet.error());
        return CommandLine::ExitUsage;
    }
    const qsizetype target = options.count > 0 ? options.count : players.value.size();
    const MountSource mounts;
    const StopSignals stop;
    QStringList known = cardVolumes(mounts.table());
    out << (target > 0 ? QStringLiteral("Insert the cards one after another: %1 to make. Ctrl+C stops.").arg(target)
                       : QStringLiteral("Insert the cards one after another. Ctrl+C stops."))
        << Qt::endl;
    Line line(options, fleet, out, err);
    while (!StopSignals::asked() && (target == 0 || line.done() < target)) {
        waitASecond();
        const QList<MountEntry> table = mounts.table();
        const QStringList now = cardVolumes(table);
        for (const QString &volume : now) {
            if (!known.contains(volume) && !StopSignals::asked())
                line.take(volume, mounts.facts(volume, table));
        }
        known = now;
    }
    const qsizetype failed = line.notVerified();
    out << QStringLiteral("%1 %2: %3 verified, %4 not verified.")
               .arg(line.seen())
               .arg(line.seen() == 1 ? QStringLiteral("card") : QStringLiteral("cards"))
               .arg(line.seen() - failed)
               .arg(failed)
        << Qt::endl;
    return failed == 0 ? CommandLine::ExitSuccess : CommandLine::ExitFindings;
}
