#include "fleet/players.h"
#include "support/testcard.h"

#include <QtTest>

using namespace Vexolo;

// The register as the technician keeps it, in a real repository: one name a player, a forgotten player's history
// kept, and each player's newest version beside a real reference folder.
class TestPlayers : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<FleetRepository> m_fleet;

    // "key=name" of every player, in the register's order.
    QStringList roster() const
    {
        QStringList names;
        for (const Player &player : m_fleet->players().value)
            names << player.key + '=' + player.name;
        return names;
    }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<QTemporaryDir>();
        m_fleet = std::make_unique<FleetRepository>(m_data->filePath("fleet.git"));
        QVERIFY(!m_fleet->registerPlayer({"uuid:A", "Player 2", "Foyer", "spare", "PLAYER02", 64000000}).failed());
        QVERIFY(!m_fleet->registerPlayer({"uuid:B", "Player 3", {}, {}}).failed());
    }

    void names_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("rename");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QStringList>("players");
        const QString taken = "\"Player 2\" is already the name of the player of the card PLAYER02 (64 MB)";
        const QStringList before {"uuid:A=Player 2", "uuid:B=Player 3"};
        // clang-format off
        QTest::newRow("register, taken in other case") << "uuid:B" << " player 2 " << false << taken << before;
        QTest::newRow("rename, taken with other spaces") << "uuid:B" << "PLAYER  2" << true << taken << before;
        QTest::newRow("new card, taken") << "uuid:C" << "Player 3" << false
            << "\"Player 3\" is already the name of the player of the card uuid:B" << before;
        QTest::newRow("own name in other case") << "uuid:A" << "PLAYER 2" << false << ""
            << QStringList {"uuid:B=Player 3", "uuid:A=PLAYER 2"};
        QTest::newRow("rename, trimmed") << "uuid:A" << " Player 9 " << true << ""
            << QStringList {"uuid:A=Player 9", "uuid:B=Player 3"};
        QTest::newRow("rename, no such player") << "uuid:C" << "Player 4" << true
            << "no player is registered for the card uuid:C" << before;
        // clang-format on
    }

    // One name a player, as names are compared; a refusal names the card of the player that has it, and writes nothing.
    void names()
    {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(bool, rename);
        const FleetChange change
            = rename ? m_fleet->renamePlayer(key, name) : m_fleet->registerPlayer({key, name, {}, {}});
        QTEST(change.cause, "refused");
        QCOMPARE(change.part == FleetChange::Part::Refused, change.failed());
        QTEST(roster(), "players");
    }

    // Forgetting takes the player off the register only: the card's versions stay, the name is free again.
    void forgetKeepsHistory()
    {
        QVERIFY(!m_fleet->record("uuid:A", {{"A.adv", "A.mp3 V3"}}, "first").isEmpty());
        QVERIFY(!m_fleet->forgetPlayer("uuid:A").failed());
        QCOMPARE(m_fleet->forgetPlayer("uuid:A").part, FleetChange::Part::Refused);
        QCOMPARE(roster(), QStringList {"uuid:B=Player 3"});
        QCOMPARE(m_fleet->history("uuid:A").value.size(), 1);
        QVERIFY(!m_fleet->registerPlayer({"uuid:C", "player 2", {}, {}}).failed());
    }

    // A rename, a location or notes change that alone; registered again without a label, the card's label stays.
    void changesKeepTheRest()
    {
        QVERIFY(!m_fleet->renamePlayer("uuid:A", "Player 5").failed());
        QVERIFY(!m_fleet->setPlayerLocation("uuid:A", "Hall").failed());
        QVERIFY(!m_fleet->setPlayerNotes("uuid:B", "new battery").failed());
        QVERIFY(!m_fleet->registerPlayer({"uuid:A", "Player 6", "Hall", "spare"}).failed());
        QStringList seen;
        for (const Player &player : m_fleet->players().value)
            seen << QStringList {player.name, player.location, player.notes, playerCardText(player)}.join('|');
        QCOMPARE(seen, QStringList({"Player 3||new battery|uuid:B", "Player 6|Hall|spare|PLAYER02 (64 MB)"}));
    }

    void standing_data()
    {
        QTest::addColumn<SetupSnapshot>("recorded");
        QTest::addColumn<bool>("changedSince");
        QTest::addColumn<QString>("text");
        const SetupSnapshot same {{"Programs/Program1.txt", "A.mp3 V7\r\n"}, {"A.adv", "A.mp3 V3"}};
        SetupSnapshot two = same;
        two["Programs/Program1.txt"] = "A.mp3 V5\r\n";
        two.remove("A.adv");
        // clang-format off
        QTest::newRow("same") << same << true << "matches";
        QTest::newRow("two files differ") << two << false << "differs: 2 files";
        QTest::newRow("differs, reference changed since") << two << true << "not seen since ";
        QTest::newRow("never recorded") << SetupSnapshot() << false << "never seen";
        // clang-format on
    }

    // The newest version beside the reference, its tracks left out.
    void standing()
    {
        QFETCH(SetupSnapshot, recorded);
        QFETCH(bool, changedSince);
        TestCard reference({"A.mp3"});
        reference.write("Programs/Program1.txt", "A.mp3 V7\r\n");
        reference.write("A.adv", "A.mp3 V3");
        if (!recorded.isEmpty())
            QVERIFY(!m_fleet->record("uuid:A", recorded, "apply").isEmpty());
        for (const char *file : {"A.adv", "Programs/Program1.txt"}) {
            QFile changed(reference.path(file));
            QVERIFY(changed.open(QIODevice::ReadWrite)
                    && changed.setFileTime(QDateTime::currentDateTime().addDays(changedSince ? 1 : -1),
                                           QFileDevice::FileModificationTime));
        }
        const CardStore store(reference.root());
        QFETCH(QString, text);
        const QString said = standingText(standingOf(*m_fleet, "uuid:A", readReference(store)));
        QVERIFY2(said.startsWith(text), qPrintable(said)); // the time of "not seen since" is the test's own
    }
};

QTEST_MAIN(TestPlayers)
#include "tst_players.moc"
