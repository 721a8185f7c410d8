#include "reports/cardcheck.h"
#include "reports/cardsetup.h"
#include "reports/programoverview.h"
#include "support/failingfileops.h"
#include "support/helpers.h"
#include "support/testcard.h"

#include <QtTest>

using namespace Vexolo;

// Checking a card and repairing it, comparing two cards and copying a setup, on real folders.
class TestFleet : public QObject
{
    Q_OBJECT

    static QStringList places(const Findings &findings)
    {
        QStringList places;
        for (const Finding &finding : findings)
            places.append(finding.place + ' ' + finding.kind);
        places.sort();
        return places;
    }

private Q_SLOTS:
    void check_data()
    {
        QTest::addColumn<QByteArrayList>("files"); // name, content, ... over a clean card
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<int>("left"); // findings left once every certain repair is done
        const QByteArray long80 = "A.mp3 V7 P" + QByteArray(70, '1');
        const QString listing = "Programs/RootDir.txt stale-listing";
        // clang-format off
        QTest::newRow("clean") << QByteArrayList{} << QStringList{} << 0;
        QTest::newRow("entry without track, no name") << QByteArrayList{"Programs/Program1.txt",
            record("C.mp3 V7") + "end", "Programs/Program1.adv", ""}
            << QStringList{"Programs/Program1.txt, record 1 missing-track", "Programs/Program1.adv name-file"} << 2;
        QTest::newRow("orphan, wrong track") << QByteArrayList{"C.adv", "C.mp3 V7", "A.adv", "B.mp31V5"}
            << QStringList{"A.adv wrong-track", "C.adv orphan-command-file", listing} << 0;
        QTest::newRow("tokens") << QByteArrayList{"A.adv", "A.mp3 V7 9+1 Q2 3-4 2+6 1+7 1-8  P5"}
            << QStringList{"A.adv, token \"9+1\" bad-string", "A.adv, token \"Q2\" bad-string", "A.adv bad-string",
            "A.adv, token \"3-4\" bad-string", "A.adv, token \"2+6\" bad-string", listing} << 5;
        QTest::newRow("80 characters, six Ons") << QByteArrayList{"A.adv", long80,
            "B.adv", "B.mp3 V7 3+1 3+2 3+3 3+4 3+5 3+6 3-7"}
            << QStringList{"A.adv bad-string", "B.adv, token \"3+6\" bad-string", listing} << 2;
        QTest::newRow("not whole records") << QByteArrayList{"Programs/Program1.txt", "A.mp3 V7\r\nend\r\nB.mp3 V7"}
            << QStringList{"Programs/Program1.txt program-format", "Programs/Program1.txt program-format",
            "Programs/Program1.txt program-format"} << 0;
        QTest::newRow("long track name, leftover") << QByteArrayList{QByteArray(73, 'x') + ".mp3", "",
            "Programs/.vexolo-2147483647-1.tmp", ""} << QStringList{QString(73, 'x') + ".mp3 long-track-name", listing,
            "Programs/.vexolo-2147483647-1.tmp leftover"} << 1;
        // clang-format on
    }

    void check()
    {
        QFETCH(QByteArrayList, files);
        TestCard card;
        card.addFiles({"A.mp3", "B.mp3"});
        card.write("Programs/Program1.txt", record("A.mp3 V7") + "end");
        card.write("Programs/Program1.adv", "Show");
        card.write("Programs/RootDir.txt", record("A.mp3 V7") + record("B.mp3 V7") + "end");
        for (qsizetype i = 0; i < files.size(); i += 2)
            card.write(files[i], files[i + 1]);
        CardStore store;
        store.choose(card.root());
        QFETCH(QStringList, found);
        found.sort();
        const Findings findings = checkCard(store).findings;
        QCOMPARE(places(findings), found);
        for (const Finding &finding : findings)
            QCOMPARE(applyRepair(store, finding.repair), Notices());
        QFETCH(int, left);
        QCOMPARE(checkCard(store).findings.size(), left);
    }

    // A copy onto a card holding part of the tracks, read back; then a backup into an empty folder.
    void copyAndCompare()
    {
        TestCard from;
        TestCard to;
        TestCard backup;
        from.addFiles({"A.mp3", "B.mp3"});
        from.write("A.adv", "A.mp31V5");
        from.write("B.adv", "B.mp3 V3");
        from.write("Programs/Program2.txt", record("B.mp3 V7") + "end");
        to.addFiles({"a.MP3"});
        to.write("Programs/Program2.adv", "Old");
        to.write("Programs/Program3.txt", "end");
        CardStore source;
        CardStore target;
        source.choose(from.root());
        target.choose(to.root());
        const CopyPlan plan = planCopy(source.readContents(), target.readContents());
        const QStringList notes = {"B.adv not-copied", "Programs/Program2.txt, record 1 track-not-on-target"};
        QCOMPARE(places(plan.notes), notes);
        QCOMPARE(copySetup(target, plan), Findings());
        QCOMPARE(to.read("a.adv"), "A.mp31V5");
        QCOMPARE(places(compareSetups(source.readContents(), target.readContents())),
                 QStringList({"B.adv only-on-a", "B.mp3 only-on-a", "Programs/Program3.txt only-on-b"}));

        target.choose(backup.root());
        QCOMPARE(copySetup(target, planCopy(source.readContents(), target.readContents())), Findings());
        QCOMPARE(places(compareSetups(source.readContents(), target.readContents())),
                 QStringList({"A.mp3 only-on-a", "B.mp3 only-on-a"}));
    }

    // A copy that cannot be written is no success.
    void copyFails()
    {
        TestCard from;
        TestCard to;
        from.write("Programs/Program1.txt", "end");
        FailingFileOps ops;
        ops.failing = {"rename"};
        CardStore source;
        CardStore target(ops);
        source.choose(from.root());
        target.choose(to.root());
        QCOMPARE(places(copySetup(target, planCopy(source.readContents(), target.readContents()))),
                 QStringList({"Programs/Program1.txt not-verified", "Programs/RootDir.txt not-verified"}));
    }

    // Read once per card, then kept up to date by saves and deletes.
    void overview()
    {
        TestCard card;
        card.write("Programs/Program4.txt", record("A.mp3 V7") + "end");
        card.write("Programs/Program4.adv", "Show");
        CardStore store;
        store.choose(card.root());
        ProgramOverview programs;
        programs.showCard(store);
        QCOMPARE(programs.index(4).data().toString(), "4  Show, 1 entry");
        programs.programSaved(store.identity(), "7", 2, "New");
        programs.programDeleted(store.identity(), "4");
        card.write("Programs/Program5.txt", "end");
        programs.showCard(store);
        QCOMPARE(programs.program(7), ProgramOverview::Program({true, true, "New", 2}));
        QCOMPARE(programs.program(4).exists || programs.program(5).exists, false);
    }

    // The command line's exit statuses, end to end.
    void commandLine()
    {
        TestCard card;
        QCOMPARE(QProcess::execute(VEXOLO_APP_PATH, {"check", card.root()}), 0);
        card.write("A.adv", "A.mp3 V7");
        QCOMPARE(QProcess::execute(VEXOLO_APP_PATH, {"check", card.root(), "--json"}), 1);
        QCOMPARE(QProcess::execute(VEXOLO_APP_PATH, {"compare", card.root(), card.path("none")}), 2);
    }
};

QTEST_GUILESS_MAIN(TestFleet)
#include "tst_fleet.moc"
