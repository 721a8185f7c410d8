#include "fleet/productionreport.h"
#include "support/testcard.h"

#include <QtTest>

using namespace Vexolo;

// What the production line keeps of a run: the report's file, and a log line for every card it failed.
class TestProductionReport : public QObject
{
    Q_OBJECT

    static VolumeFacts inReader(const QString &root)
    {
        return {MountEntry {0, root, "vfat", "/dev/sdz1", "/"}, false, std::nullopt};
    }

private Q_SLOTS:
    void csvQuoting_data()
    {
        QTest::addColumn<QByteArray>("player");
        QTest::addColumn<QByteArray>("field");
        const auto row = [](const char *tag, const char *player, const char *field) {
            QTest::newRow(tag) << QByteArray(player) << QByteArray(field);
        };
        row("plain", "Player 1", "Player 1");
        row("comma", "Hall, east", "\"Hall, east\"");
        row("quotes doubled", "The \"big\" one", "\"The \"\"big\"\" one\"");
        row("line end kept inside", "a\nb", "\"a\nb\"");
        row("carriage return", "a\rb", "\"a\rb\"");
        row("formula", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\"");
        row("minus", "-1+1", "'-1+1");
        row("not ASCII", "Salle \xc3\x9c", "Salle \xc3\x9c");
        row("empty", "", "");
    }

    void csvQuoting()
    {
        QFETCH(QByteArray, player);
        QFETCH(QByteArray, field);
        const QDateTime time(QDate(2024, 5, 1), QTime(14, 3, 52));
        const QByteArray csv
            = Production::reportCsv({{"CARD", QString::fromUtf8(player), "verified", time, "0123456789ab", true}});
        QCOMPARE(csv,
                 "Card,Player,Result,Time,Version\r\nCARD," + field + ",verified,2024-05-01 14:03:52,0123456789ab\r\n");
    }

    // A card the line does not write is in the log all the same, with why: a register refused, a reference gone.
    void failureLogged()
    {
        QTemporaryDir data;
        FleetRepository fleet(data.filePath("fleet.git"));
        TestCard card;
        auto reference = std::make_unique<TestCard>(QStringList {"A.mp3"});
        Production::Card inserted = Production::receive(card, inReader(card), *reference, fleet);
        QCOMPARE(inserted.arrival, Production::Arrival::NeedsName);

        const QString tooLong(4 * 1024 * 1024, u'x');
        Production::Outcome outcome = Production::finish(fleet, inserted, tooLong, {}, {});
        QVERIFY2(!outcome.applied() && !outcome.result.logged.failed(), qPrintable(outcome.result.logged.cause));
        QVERIFY2(!fleet.log().value.isEmpty(), qPrintable(fleet.log().error));
        const QString refused = fleet.log().value.last().result;
        QVERIFY(refused.startsWith("failed: not registered as xxx"));
        QVERIFY(refused.endsWith("could not be written: the register would hold more than 4194304 bytes"));
        QCOMPARE(card.snapshot(), QStringList {"card"});

        QVERIFY(Production::finish(fleet, inserted, "Player 1", {}, {}).result.verified());
        inserted = Production::receive(card, inReader(card), *reference, fleet);
        const QString referenceRoot = reference->root();
        reference.reset();
        outcome = Production::finish(fleet, inserted, {}, {}, {});
        QVERIFY(!outcome.result.refusal.isEmpty() && !outcome.result.logged.failed());
        const LogLine line = fleet.log().value.last();
        QCOMPARE(QStringList({line.player, line.reference, line.result.section(':', 0, 0)}),
                 QStringList({"Player 1", referenceRoot, "failed"}));
        QVERIFY(line.result.contains("cannot be read"));
        QCOMPARE(Production::resultText("Player 1", outcome), line.result);

        // Stopped while copying, once the reference's version is known: the apply's own line, and no second.
        TestCard big;
        QVERIFY(big.write("B.mp3", QByteArray(8 << 20, 'b')));
        inserted = Production::receive(card, inReader(card), big, fleet);
        bool copying = false;
        const qsizetype lines = fleet.log().value.size();
        outcome = Production::finish(
            fleet, inserted, {}, [&copying](qint64, qint64) { copying = true; }, [&copying] { return !copying; });
        QVERIFY(outcome.result.cancelled && !outcome.result.version.isEmpty());
        QCOMPARE(fleet.log().value.size(), lines + 1);
    }
};

QTEST_GUILESS_MAIN(TestProductionReport)
#include "tst_productionreport.moc"
