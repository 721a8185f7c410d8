#include "card/tracknames.h"
#include "fleet/fleet.h"
#include "reports/cardcheck.h"
#include "support/failingfileops.h"
#include "support/helpers.h"
#include "support/testcard.h"

#include <QtTest>

using namespace Vexolo;

// What the computer keeps of a fleet, in a real repository beside real cards: the history recorded before each
// write, its restore, and a card made to match a reference, verified and logged.
class TestFleetData : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_data;
    QString repository() const { return m_data->filePath("fleet.git"); }

    static QStringList whats(const QList<SetupVersion> &versions)
    {
        QStringList texts;
        for (const SetupVersion &version : versions)
            texts << version.what;
        return texts;
    }
    static void lay(const TestCard &card)
    {
        card.write("A.mp3", QByteArray(5000, 'a'));
        card.write("B.mp3", "bb");
        card.write("A.adv", "A.mp3 V3");
        card.write("Programs/Program1.txt", record("A.mp3 V7") + "end");
        card.write("Programs/Program1.adv", "Show");
    }

private Q_SLOTS:
    void init() { m_data = std::make_unique<QTemporaryDir>(); } // a repository of its own
    void cleanup() { CardStore::setDefaultJournal(nullptr); }

    // Each write records the setup as it was, once per piece of work; a write that changes nothing records
    // nothing new, and a repository that cannot be written never keeps the card from being written.
    void journal_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QStringList>("recorded"); // newest first
        // clang-format off
        QTest::newRow("save") << "save" << QStringList {"Save program 2"};
        QTest::newRow("delete") << "delete" << QStringList {"Delete program 1"};
        QTest::newRow("settings, twice") << "settings" << QStringList {"settings of B.mp3", "settings of A.mp3"};
        QTest::newRow("repair all, once") << "repair" << QStringList {"Repair All"};
        QTest::newRow("a track copied in") << "copy" << QStringList {"tracks copied in"};
        QTest::newRow("no repository") << "broken" << QStringList {};
        // clang-format on
    }

    void journal()
    {
        QFETCH(QString, work);
        TestCard card;
        lay(card);
        card.write("Gone.adv", "Gone.mp3 V7");
        card.write("Programs/RootDir.txt", "stale"); // kept as it is
        card.write("../blocked", {}); // a file where the repository would be made
        FleetJournal journal(work == "broken" ? card.path("../blocked/fleet.git") : repository());
        CardStore::setDefaultJournal(&journal);
        CardStore store(card);
        const QString key = labelOf(store).key;
        const SetupSnapshot setup = snapshotOf(store.readSetup());
        if (work == "save")
            QVERIFY(store.save(store.prepareSave(2, {"B.mp3 V7"}, "Two"), store.listTracks()).programWritten);
        if (work == "delete")
            QVERIFY(store.deleteProgram(1).deleted);
        if (work == "settings" || work == "broken") {
            QCOMPARE(store.writeTrackCommand("A.mp3", "V5"), Notices());
            QCOMPARE(store.writeTrackCommand("B.mp3", "V5"), Notices());
        }
        if (work == "repair")
            QCOMPARE(repairAll(store, checkCard(store).findings), Notices());
        if (work == "copy")
            QVERIFY(card.write("../C.mp3", TestCard::mp3("c"))
                    && store.copyTracksIn({{card.path("../C.mp3"), "C.mp3"}}).notices.isEmpty());
        FleetRepository fleet(repository());
        QCOMPARE(journal.error().isEmpty(), work != "broken");
        QCOMPARE(card.read("B.adv").isEmpty(), work != "settings" && work != "broken");
        const QList<SetupVersion> versions = fleet.history(key);
        QFETCH(QStringList, recorded);
        QCOMPARE(whats(versions), recorded);
        if (!recorded.isEmpty())
            QCOMPARE(fleet.version(key, versions.last().id).value_or(SetupSnapshot()), setup);
        QCOMPARE(setup.value("Programs/RootDir.txt"), "stale");
    }

    // A version comes back as it was: files written again, files it lacked removed, the listing made anew, read
    // back; the restore recorded and logged. Only the card's own files are written, whatever the version holds.
    void restore()
    {
        TestCard card;
        lay(card);
        FleetJournal journal(repository());
        CardStore::setDefaultJournal(&journal);
        CardStore store(card);
        QVERIFY(store.save(store.prepareSave(1, {"B.mp3 V7"}, "Other"), store.listTracks()).programWritten);
        QCOMPARE(store.writeTrackCommand("B.mp3", "V2"), Notices());
        FleetRepository fleet(repository());
        const QString key = labelOf(store).key;
        const QString first = fleet.history(key).last().id;
        const QStringList changed = card.snapshot(true);

        FleetResult result = restoreVersion(fleet, store, first, true);
        QCOMPARE(result.actions,
                 QStringList({"Programs/Program1.adv: written", "Programs/Program1.txt: written", "B.adv: removed",
                              "Programs/RootDir.txt: written anew"}));
        QCOMPARE(card.snapshot(true), changed); // a dry run: not a byte written
        // No such version, and one too short to tell.
        QCOMPARE(restoreVersion(fleet, store, "zzzz", false).refusal.size()
                     + restoreVersion(fleet, store, first.left(3), false).refusal.size(),
                 2);

        result = restoreVersion(fleet, store, first, false);
        QVERIFY(result.verified());
        QCOMPARE(card.read("Programs/Program1.txt") + card.read("Programs/Program1.adv") + card.read("A.adv"),
                 record("A.mp3 V7") + "endShowA.mp3 V3");
        QVERIFY(!QFile::exists(card.path("B.adv")));
        QCOMPARE(card.read("Programs/RootDir.txt"), record("A.mp3 V3") + record("B.mp3 V7") + "end");
        QCOMPARE(fleet.history(key).first().what, "restore " + first);
        QCOMPARE(fleet.log().last().result + ' ' + fleet.log().last().reference, "verified version " + first);
        QVERIFY(restoreVersion(fleet, store, first, true).actions.isEmpty()); // in place already
        QVERIFY(QFile::remove(card.path("Programs/RootDir.txt"))
                && restoreVersion(fleet, store, first, false).verified()
                && QFile::exists(card.path("Programs/RootDir.txt"))); // but for the listing, made anew
        QVERIFY(card.write("Programs/Program1.adv", "Other") && restoreVersion(fleet, store, first, false).verified()
                && card.read("Programs/Program1.adv") == "Show"); // one file, the listing as it was

        // A version that names files no card of this program holds: none of them is written anywhere.
        const QString odd = fleet.record(key,
                                         {{"Programs/Evil.txt", "x"},
                                          {"Program2.txt", "x"},
                                          {"B.mp3", "x"},
                                          {"Programs/Program3.txt", "end"},
                                          {"Programs/Huge.adv", QByteArray(ProgramFileLimit + 1, 'x')},
                                          {"Programs/Most.adv", QByteArray(ProgramFileLimit, 'x')}},
                                         "planted");
        const QStringList before = card.snapshot();
        result = restoreVersion(fleet, store, odd, false);
        QCOMPARE(result.problems.size(), 4); // all but Huge.adv, which is too large to be read at all
        QCOMPARE(card.read("B.mp3"), "bb");
        QStringList expected = before.filter(QRegularExpression("^card(/Programs)?$|mp3|RootDir"))
            << "card/Programs/Program3.txt";
        expected.sort();
        QCOMPARE(card.snapshot(), expected);
        TestCard backup; // a folder without tracks: no listing to write
        backup.write("A.adv", "A.mp3 V3");
        CardStore folder(backup);
        // Nothing is made there either: no Programs folder to remove files from.
        const QStringList done
            = restoreVersion(fleet, folder, fleet.record(labelOf(folder).key, {}, "empty"), false).actions;
        QCOMPARE(done + backup.snapshot(), QStringList({"A.adv: removed", "card"}));
    }

    // Each card keeps its newest versions, newest first, each still readable; the oldest go.
    void oldestVersionsGo()
    {
        FleetRepository fleet(repository());
        const int total = FleetRepository::VersionLimit + FleetRepository::VersionLimit / 4 + 1;
        QStringList ids;
        for (int n = 0; n < total; ++n)
            ids << fleet.record("path:/limit", {{"A.adv", QByteArray::number(n)}}, QString::number(n));
        QVERIFY(!fleet.version("path:/limit", ids.first())); // the oldest is gone
        QCOMPARE(fleet.record("path:/limit", {{"A.adv", QByteArray::number(total - 1)}}, "unchanged"),
                 fleet.history("path:/limit").first().id);
        const QList<SetupVersion> versions = fleet.history("path:/limit");
        QCOMPARE(versions.size(), FleetRepository::VersionLimit);
        QCOMPARE(fleet.version("path:/limit", versions.last().id)->value("A.adv"),
                 QByteArray::number(total - FleetRepository::VersionLimit));
    }

    // The register ties one player to a card; the log keeps every line, kept to one line a field.
    void registerAndLog()
    {
        FleetRepository fleet(repository());
        QVERIFY(!fleet.registerPlayer({"uuid:1", "Player 1", "Foyer", {}}).failed()
                && !fleet.registerPlayer({"uuid:2", "Player\t2", {}, "two\nlines"}).failed()
                && !fleet.registerPlayer({"uuid:1", "Player 12", {}, {}}).failed()
                && FleetRepository("/dev/null/fleet").registerPlayer({}).failed()); // a fleet that cannot be made
        QCOMPARE(fleet.player("uuid:1")->name + fleet.player("uuid:2")->name + fleet.player("uuid:2")->notes,
                 "Player 12Player 2two lines");
        const QDateTime december(QDate(2026, 12, 31), QTime(23, 0), QTimeZone::utc());
        for (const QDateTime &time : {december, december.addSecs(3600)}) // a file a month
            QVERIFY(!fleet.appendLog({time, {}, "uuid:2", "/ref", "abc", 3, 99, "failed:\tno room"}).failed());
        const QList<LogLine> lines = FleetRepository(repository()).log();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1].time, december.addSecs(3600));
        QCOMPARE(lines[1].result + QString::number(lines[1].bytes), "failed: no room99");
    }

    // Two laptops share one fleet through a remote: each sees the other's players, versions and log, and what both
    // changed meanwhile merges (a player as the side that changed it has it; both versions; every log line).
    void sharedByTwoLaptops()
    {
        FleetRepository one(m_data->filePath("one.git"));
        FleetRepository two(m_data->filePath("two.git"));
        const QDateTime time = QDateTime::currentDateTimeUtc();
        one.record("uuid:A", {{"A.adv", "1"}}, "first");
        QVERIFY(!one.registerPlayer({"uuid:A", "Player A", {}, {}}).failed());
        QVERIFY(!one.registerPlayer({"uuid:B", "Player B", {}, {}}).failed());
        QVERIFY(!one.appendLog({time, {}, "uuid:A", "/ref", "v1", 1, 1, "verified"}).failed());
        // No remote yet, or a folder that is no repository: refused. A remote's URL serves as well as its path.
        QVERIFY(!two.sync() && !one.sync(m_data->path()) && one.sync(m_data->filePath("shared.git"))
                && two.sync("file://" + m_data->filePath("shared.git")));
        QCOMPARE(two.player("uuid:A")->name, "Player A");
        one.record("uuid:A", {{"A.adv", "2"}}, "on one");
        QVERIFY(
            !one.registerPlayer({"uuid:B", "Player B2", {}, {}}).failed()); // each laptop changes a player of its own
        QVERIFY(!one.appendLog({time.addSecs(1), {}, "uuid:B", "/ref", "v1", 1, 1, "verified"}).failed());
        two.record("uuid:A", {{"A.adv", "3"}}, "on two");
        QVERIFY(!two.registerPlayer({"uuid:A", "Player A2", {}, {}}).failed());
        QVERIFY(!two.appendLog({time.addSecs(2), {}, "uuid:A", "/ref", "v2", 1, 1, "verified"}).failed());
        QVERIFY(one.sync() && two.sync() && one.sync()); // the remote remembered
        for (const FleetRepository *fleet : {&one, &two}) {
            QStringList versions = whats(fleet->history("uuid:A"));
            versions.sort();
            QCOMPARE(versions, QStringList({"first", "on one", "on two"}));
            QCOMPARE(fleet->player("uuid:A")->name + fleet->player("uuid:B")->name, "Player A2Player B2");
            QCOMPARE(fleet->log().size(), 3);
        }
        // With nothing new on either side, a sync makes no commit.
        const auto commits = [&] {
            QProcess git;
            git.start("git", {"-C", one.path(), "rev-list", "--all", "--count"});
            return git.waitForFinished() ? git.readAll() : "";
        };
        const QByteArray before = commits();
        QVERIFY(two.sync() && one.sync() && commits() == before);
    }

    // A card made to match a reference: what is copied, what is left alone, what a second apply writes (nothing),
    // and failures that leave no half track and are logged as such.
    void apply_data()
    {
        QTest::addColumn<QString>("failing"); // the card's calls that fail ("call nth error last")
        QTest::addColumn<QString>("result"); // the log's word
        QTest::newRow("honest") << ""
                                << "verified";
        QTest::newRow("a track cannot be written") << "write"
                                                   << "failed: A.mp3: could not be copied";
        QTest::newRow("a setup file cannot be renamed") << "rename 4 5 4"
                                                        << "failed: Programs/Program1.txt: could not be written";
        // Every read from the copied tracks' read-back on fails: none of them counts as copied.
        QTest::newRow("tracks read back wrong") << "read 61"
                                                << "failed: A.mp3: reads back differently from the reference; B.mp3: "
                                                   "reads back differently from the reference; E.mp3: reads back "
                                                   "differently from the reference";
    }

    void apply()
    {
        QFETCH(QString, failing);
        TestCard reference;
        TestCard card;
        lay(reference);
        reference.write("E.mp3", {}); // empty, and the same on the card once copied
        card.write("B.mp3", "xy"); // as long as the reference's, other bytes
        card.write("C.mp3", "c");
        card.write("C.adv", "C.mp3 V5");
        CardStore from(reference);
        FailingFileOps ops;
        ops.fail(failing);
        CardStore to(card, ops);
        FleetRepository fleet(repository());
        const QStringList untouched = card.snapshot();
        FleetResult dry = applyReference(fleet, from, to, true);
        QCOMPARE(dry.actions,
                 QStringList({"A.mp3: copied (5000 bytes)", "B.mp3: copied (2 bytes)", "E.mp3: copied (0 bytes)",
                              "Programs/Program1.txt: written", "Programs/Program1.adv: written", "A.adv: written",
                              "Programs/RootDir.txt: written anew"}));
        QCOMPARE(dry.notes.size(), 2); // C.mp3 and C.adv, left alone
        QVERIFY(applyReference(fleet, from, to, true, {}, [] { return false; }).cancelled); // Cancel while it plans
        QCOMPARE(card.snapshot(), untouched);

        const FleetResult result = applyReference(fleet, from, to, false);
        QTEST(fleet.log().last().result, "result");
        QCOMPARE(fleet.log().last().version, dry.version);
        QCOMPARE(card.read("C.adv"), "C.mp3 V5");
        if (!failing.isEmpty()) {
            QVERIFY(!result.verified() && !card.snapshot().join(' ').contains(".tmp"));
            return;
        }
        QVERIFY(result.verified());
        QCOMPARE(card.read("B.mp3") + card.read("Programs/Program1.adv") + card.read("A.mp3"),
                 "bbShow" + QByteArray(5000, 'a'));
        const ino_t first = card.inode("A.mp3");
        const FleetResult again = applyReference(fleet, from, to, false);
        QVERIFY(again.verified() && again.actions.isEmpty());
        QCOMPARE(card.inode("A.mp3"), first);
        // A link on the reference is never followed, not even by the copy itself.
        QVERIFY(QFile::link(reference.path("A.mp3"), reference.path("Link.mp3")));
        QVERIFY(to.copyTracksIn({{"Link.mp3", "Link.mp3", &from}}).tracks.isEmpty());
        QVERIFY(QFile::remove(reference.path("Link.mp3")));
        reference.write("Programs/Program1.adv", "Other"); // another setup: another version
        QVERIFY(applyReference(fleet, from, to, true).version != dry.version);
        reference.write("D.mp3", "d"); // on the card already, not in its listing: the listing alone is made anew
        card.write("D.mp3", "d");
        QVERIFY(applyReference(fleet, from, to, false).verified()
                && card.read("Programs/RootDir.txt").contains("D.mp3 V7"));
        QCOMPARE(applyReference(fleet, from, from, false).refusal.size(), 1);
    }

    // A full card takes no track at all: the room is checked before anything is written.
    void applyToFullCard()
    {
        TestCard reference;
        TestCard card;
        if (!card.mountTmpfs("full"))
            QSKIP("mounting needs root");
        reference.write("Big.mp3", QByteArray(200 * 1024, 'b'));
        CardStore from(reference);
        CardStore to(card);
        FleetRepository fleet(repository());
        QCOMPARE(applyReference(fleet, from, to, false).problems.value(0).kind, Kind::Refused);
        QVERIFY(QDir(card.root()).entryList(QDir::Files).isEmpty());
    }

    // A track larger than a FAT card holds is refused before anything is written; one of the largest size is not
    // (it is read once, for the reference's version: the test's slowest seconds).
    void fatFileLimit()
    {
        TestCard reference;
        TestCard card;
        for (const qint64 size : {(qint64(1) << 32) - 1, qint64(1) << 32})
            QVERIFY(reference.write(QString::number(size) + ".mp3", {})
                    && QFile::resize(reference.path(QString::number(size) + ".mp3"), size)); // sparse
        CardStore from(reference);
        CardStore to(card);
        FleetRepository fleet(repository());
        FailingFileOps ops; // tracks the reference cannot open are refused too
        ops.fail("read");
        CardStore unreadable(reference, ops);
        QCOMPARE(applyReference(fleet, from, to, true).refusal.value(0).place
                     + applyReference(fleet, unreadable, to, true).refusal.value(1).place,
                 "4294967296.mp34294967296.mp3");
    }

    // A reference track whose name holds a control character is no track to copy: the apply is refused, naming it.
    void controlNamesRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("line break") << "Line\nbreak.mp3";
        QTest::newRow("tab") << "Tab\t.MP3";
        QTest::newRow("escape") << "\x1b[31m.mp3";
        QTest::newRow("delete") << "Del\x7f.mp3";
    }

    void controlNamesRefused()
    {
        QFETCH(QString, name);
        TestCard reference({"A.mp3", name});
        TestCard card;
        CardStore from(reference);
        CardStore to(card);
        FleetRepository fleet(repository());
        const FleetResult result = applyReference(fleet, from, to, false);
        QVERIFY(!result.verified());
        QCOMPARE(result.refusal.size(), 1);
        QCOMPARE(result.refusal[0].place, controlsShown(name));
        QVERIFY(!QFile::exists(card.path("A.mp3"))); // nothing written
    }

    // A card of its own is known by its file system's UUID and label, wherever it is mounted.
    void cardOfItsOwn()
    {
        TestCard card;
        const QString uuid = "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0";
        if (!card.mountImage({"mkfs.ext4", "-q", "-U", uuid, "-L", "PLAYER"}))
            QSKIP("mounting needs root");
        const CardLabel label = identifyCard(card);
        QCOMPARE(label.key, "uuid:" + uuid);
        QCOMPARE(label.label, "PLAYER");
        QVERIFY(label.device.startsWith("/dev/loop"));
        QCOMPARE(identifyCard(card.path("..")).key, "path:" + card.path(".."));
    }
};

QTEST_GUILESS_MAIN(TestFleetData)
#include "tst_fleetdata.moc"
