#include "card/tracknames.h"
#include "fleet/fleet.h"
#include "reports/cardcheck.h"
#include "reports/cardsetup.h"
#include "storage/cardlock.h"
#include "support/failingfileops.h"
#include "support/helpers.h"
#include "support/testcard.h"
#include "words/findingwords.h"

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

    // Git run on the repository: its output, trimmed.
    QByteArray git(const QStringList &arguments, const QByteArray &input = {}) const
    {
        QProcess process;
        process.start("git", QStringList {"-c", "user.name=t", "-c", "user.email=t@t", "-C", repository()} + arguments);
        process.write(input);
        process.closeWriteChannel();
        return process.waitForFinished() ? process.readAllStandardOutput().trimmed() : QByteArray();
    }
    QByteArray tree(const QList<std::pair<QByteArray, QByteArray>> &entries) const // name, "mode id" of each
    {
        QByteArray bytes;
        for (const auto &[name, entry] : entries)
            bytes += entry.split(' ')[0] + ' ' + name + '\0' + QByteArray::fromHex(entry.split(' ')[1]);
        return git({"hash-object", "-t", "tree", "--literally", "-w", "--stdin"}, bytes);
    }
    // A version of the card's history that the fleet's own record cannot make (names git refuses, "/" in a name),
    // written by hand as git objects: A.adv, and path (a folder, "/", then a name) holding bytes. Its id.
    QString plant(const QString &key, const QByteArray &path, const QByteArray &bytes) const
    {
        FleetRepository(repository()).record(key, {{"A.adv", "A.mp3 V3"}}, "first");
        const QByteArray blob = "100644 " + git({"hash-object", "-w", "--stdin"}, bytes);
        const QByteArray mine = "100644 " + git({"hash-object", "-w", "--stdin"}, "A.mp3 V5");
        const qsizetype slash = path.indexOf('/');
        const QByteArray entry = slash < 0 ? blob : "40000 " + tree({{path.mid(slash + 1), blob}});
        const QByteArray branch = git({"for-each-ref", "--format=%(refname)", "refs/heads/cards/"});
        const QByteArray commit
            = git({"commit-tree", tree({{"A.adv", mine}, {slash < 0 ? path : path.left(slash), entry}}), "-p",
                   QString::fromLatin1(branch), "-m", "planted\n\nCard: " + key});
        git({"update-ref", QString::fromLatin1(branch), QString::fromLatin1(commit)});
        return QString::fromLatin1(commit.left(12));
    }

private Q_SLOTS:
    void init() { m_data = std::make_unique<QTemporaryDir>(); } // a repository of its own
    void cleanup() { CardStore::setDefaultJournal(nullptr); }

    // Each write records the setup as it was, once per piece of work, and a Save or a Delete as it reads back after; a
    // write that changes nothing records nothing new, and a repository that cannot be written never keeps the card from
    // being written.
    void journal_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QStringList>("recorded"); // newest first
        // clang-format off
        QTest::newRow("save") << "save" << QStringList {"after Save program 2", "Save program 2"};
        QTest::newRow("delete") << "delete" << QStringList {"after Delete program 1", "Delete program 1"};
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
        const QList<SetupVersion> versions = fleet.history(key).value;
        QFETCH(QStringList, recorded);
        QCOMPARE(whats(versions), recorded);
        if (!recorded.isEmpty())
            QCOMPARE(fleet.version(key, versions.last().id).value.value_or(SetupSnapshot()), setup);
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
        const QString first = fleet.history(key).value.last().id;
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
        QCOMPARE(whats(fleet.history(key).value).first(2),
                 QStringList({"after restore of " + first, "restore of " + first}));
        QCOMPARE(fleet.log().value.last().result + ' ' + fleet.log().value.last().reference,
                 "verified version " + first);
        QVERIFY(restoreVersion(fleet, store, first, true).actions.isEmpty()); // in place already
        QVERIFY(QFile::remove(card.path("Programs/RootDir.txt"))
                && restoreVersion(fleet, store, first, false).verified()
                && QFile::exists(card.path("Programs/RootDir.txt"))); // but for the listing, made anew
        QVERIFY(card.write("Programs/Program1.adv", "Other") && restoreVersion(fleet, store, first, false).verified()
                && card.read("Programs/Program1.adv") == "Show"); // one file, the listing as it was

        TestCard backup; // a folder without tracks: no listing to write
        backup.write("A.adv", "A.mp3 V3");
        CardStore folder(backup);
        // Nothing is made there either: no Programs folder to remove files from.
        const QStringList done
            = restoreVersion(fleet, folder, fleet.record(labelOf(folder).key, {}, "empty"), false).actions;
        QCOMPARE(done + backup.snapshot(), QStringList({"A.adv: removed", "card"}));
    }

    // A version holding a name that is no setup file of a card, or a file larger than one, is refused whole before
    // anything is written, and its dry run says so rather than listing what would be written.
    void restoreRefuses_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("refused"); // named so
        // clang-format off
        QTest::newRow("up from the root") << QByteArray("../evil.adv") << 1LL << true;
        QTest::newRow("a track") << QByteArray("B.mp3") << 1LL << true;
        QTest::newRow("a subfolder") << QByteArray("a/b.adv") << 1LL << true;
        QTest::newRow("git's folder") << QByteArray(".git") << 1LL << true;
        QTest::newRow("no program") << QByteArray("Programs/Evil.txt") << 1LL << true;
        QTest::newRow("a program in the root") << QByteArray("Program2.txt") << 1LL << true;
        QTest::newRow("Programs in another case") << QByteArray("programs/Program2.txt") << 1LL << true;
        QTest::newRow("a huge program") << QByteArray("Programs/Program2.txt") << ProgramFileLimit + 1 << true;
        QTest::newRow("a huge name") << QByteArray("Programs/Program2.adv") << CardStore::NameFileLimit + 1 << true;
        QTest::newRow("a huge command file") << QByteArray("B.adv") << CardStore::CommandFileLimit + 1 << true;
        QTest::newRow("the largest, restored") << QByteArray("B.adv") << CardStore::CommandFileLimit << false;
        // clang-format on
    }

    void restoreRefuses()
    {
        QFETCH(QByteArray, path);
        QFETCH(qint64, size);
        QFETCH(bool, refused);
        const QString named = refused ? QString::fromLatin1(path) : QString();
        TestCard card;
        lay(card);
        CardStore store(card);
        const QString id = plant(labelOf(store).key, path, QByteArray(size, 'x'));
        FleetRepository fleet(repository());
        const QStringList before = card.snapshot(true);
        const FleetResult dry = restoreVersion(fleet, store, id, true);
        QCOMPARE(dry.refusal.isEmpty(), named.isEmpty());
        QVERIFY2(findingLine(dry.refusal.value(0)).contains(named), qPrintable(findingLine(dry.refusal.value(0))));
        QCOMPARE(dry.actions.isEmpty(), !named.isEmpty());
        const FleetResult result = restoreVersion(fleet, store, id, false);
        QCOMPARE(result.refusal.size(), named.isEmpty() ? 0 : 1);
        QCOMPARE(result.verified(), named.isEmpty());
        QCOMPARE(card.snapshot(true) == before, !named.isEmpty()); // refused: not a byte written, anywhere
    }

    // While another program writes the card, a restore is refused before it reads: no plan of a card half written.
    void restoreWhileAnotherWrites()
    {
        TestCard card;
        lay(card);
        CardStore store(card);
        const QString id = plant(labelOf(store).key, "B.adv", "B.mp3 V1");
        setCardWriterWait(std::chrono::milliseconds(0));
        const CardWriteLock other(store.identity());
        FleetRepository fleet(repository());
        const QStringList before = card.snapshot(true);
        const FleetResult result = restoreVersion(fleet, store, id, false);
        setCardWriterWait(std::chrono::seconds(20));
        QVERIFY2(findingLine(result.refusal.value(0)).contains(WriterBusyText),
                 qPrintable(findingLine(result.refusal.value(0))));
        QCOMPARE(card.snapshot(true), before);
    }

    // Every version is kept, newest first, each readable, and listed a page at a time.
    void everyVersionKept()
    {
        FleetRepository fleet(repository());
        const int total = 260;
        QStringList ids;
        const qsizetype open = QDir("/proc/self/fd").count();
        for (int n = 0; n < total; ++n)
            ids << fleet.record("path:/all", {{"A.adv", QByteArray::number(n % 7)}}, QString::number(n));
        QCOMPARE(QDir("/proc/self/fd").count(), open); // each write's lock let go of
        QCOMPARE(fleet.version("path:/all", ids.first()).value->value("A.adv"), "0"); // the oldest stays
        QCOMPARE(fleet.record("path:/all", {{"A.adv", QByteArray::number((total - 1) % 7)}}, "unchanged"), ids.last());
        const QList<SetupVersion> versions = fleet.history("path:/all").value;
        QCOMPARE(versions.size(), total);
        QCOMPARE(versions.first().id + versions.last().id, ids.last() + ids.first());
        const QList<SetupVersion> page = fleet.history("path:/all", 250, 20).value;
        QCOMPARE(page.size(), 10);
        QCOMPARE(page.first().what, "9");
        QVERIFY(!fleet.version("path:/other", ids.first()).value); // not that card's version
        QVERIFY(FleetRepository("/dev/null/fleet")
                    .version("path:/all", ids.first())
                    .error.startsWith("the fleet's data cannot be opened"));
    }

    // Tabs and line breaks never reach the register's or the log's lines; the log keeps a file a month.
    void registerAndLog()
    {
        FleetRepository fleet(repository());
        QVERIFY(!fleet.registerPlayer({"uuid:2", "Player\t2", {}, "two\nlines"}).failed());
        QCOMPARE(fleet.player("uuid:2").value->name + fleet.player("uuid:2").value->notes, "Player 2two lines");
        const QDateTime december(QDate(2026, 12, 31), QTime(23, 0), QTimeZone::utc());
        for (const QDateTime &time : {december, december.addSecs(3600)}) // a file a month
            QVERIFY(!fleet.appendLog({time, {}, "uuid:2", "/ref", "abc", 3, 99, "failed:\tno room"}).failed());
        const QList<LogLine> lines = FleetRepository(repository()).log().value;
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1].time, december.addSecs(3600));
        QCOMPARE(lines[1].result + QString::number(lines[1].bytes), "failed: no room99");
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
        QTEST(fleet.log().value.last().result, "result");
        QVERIFY(dry.version.isEmpty() && !fleet.log().value.last().version.isEmpty()); // tracks not read for a dry run
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
        // Every track read for its comparison (B.mp3 of its size, other bytes, to copy), a dry run names the version as
        // the real run did; one it would copy unread (A.mp3 above) leaves it unknown. Another setup, another version.
        card.write("B.mp3", "zz");
        QCOMPARE(applyReference(fleet, from, to, true).version, fleet.log().value.last().version);
        reference.write("Programs/Program1.adv", "Other");
        QVERIFY(applyReference(fleet, from, to, true).version != fleet.log().value.last().version);
        reference.write("D.mp3", "d"); // on the card already, not in its listing: listed, and B.mp3 copied back
        card.write("D.mp3", "d");
        QVERIFY(applyReference(fleet, from, to, false).verified()
                && card.read("Programs/RootDir.txt").contains("D.mp3 V7") && card.read("B.mp3") == "bb");
        QCOMPARE(applyReference(fleet, from, from, false).refusal.size(), 1);
    }

    // A card that keeps none of what is written to it, while the computer's memory of the writes reads well: each
    // read-back reads the card itself, and fails naming the first file that differs. An honest card, a real file
    // system among them, is verified.
    void forgetfulCard_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QString>("failing"); // the card's calls
        QTest::addColumn<QString>("named"); // the first problem's place; none: verified
        // clang-format off
        QTest::newRow("apply: tracks") << "apply" << "drop" << "A.mp3";
        QTest::newRow("apply: the setup alone") << "setup" << "drop" << "Programs/Program1.txt";
        QTest::newRow("restore") << "restore" << "drop" << "A.adv";
        QTest::newRow("copy setup") << "copy" << "drop" << "Programs/Program1.txt";
        QTest::newRow("apply to ext4, honest") << "ext4" << "" << "";
        // clang-format on
    }

    void forgetfulCard()
    {
        QFETCH(QString, work);
        QFETCH(QString, failing);
        QFETCH(QString, named);
        TestCard reference;
        TestCard card;
        if (work == "ext4" && !card.mountImage({"mkfs.ext4", "-q"}))
            QSKIP("mounting needs root");
        lay(reference);
        if (work == "setup" || work == "restore" || work == "copy")
            lay(card);
        reference.write("Programs/Program1.txt", record("B.mp3 V7") + "end");
        FleetJournal journal(repository());
        CardStore::setDefaultJournal(&journal);
        FailingFileOps ops;
        ops.fail(failing);
        CardStore from(reference);
        CardStore to(card, ops);
        FleetRepository fleet(repository());
        if (work == "restore") // a version before a write, to restore
            QCOMPARE(to.writeTrackCommand("B.mp3", "V2"), Notices());
        const Findings problems = work == "copy" ? copySetup(to, planCopy(from.readContents(), to.readContents()))
            : work == "restore"
            ? restoreVersion(fleet, to, fleet.history(labelOf(to).key).value.last().id, false).problems
            : applyReference(fleet, from, to, false).problems;
        QCOMPARE(problems.value(0).place, named);
        const QString logged = work == "copy" ? QString() : fleet.log().value.last().result; // Copy Setup keeps no log
        QVERIFY(work == "copy" || logged.startsWith(named.isEmpty() ? "verified" : "failed: " + named + ": reads"));
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
        const FleetResult result = applyReference(fleet, from, to, false);
        QCOMPARE(result.refusal.value(0).says, Says::NoRoom);
        QVERIFY(result.actions.isEmpty()); // nothing said to be copied or written
        QVERIFY(QDir(card.root()).entryList(QDir::Files).isEmpty());
    }

    // What a card cannot hold as a track is refused whole before anything is written: a track larger than a FAT card
    // holds (one of the largest size is not, and a dry run does not read it), tracks the reference cannot open, a
    // name that holds a control character.
    void referenceRefused_data()
    {
        QTest::addColumn<QStringList>("tracks"); // on the reference, each of the size its name says (sparse)
        QTest::addColumn<QString>("failing"); // the reference's calls
        QTest::addColumn<QStringList>("refused");
        const QStringList fat {"4294967295.mp3", "4294967296.mp3"};
        QTest::newRow("larger than FAT holds") << fat << "" << fat.sliced(1);
        QTest::newRow("unreadable") << fat << "read" << fat;
        QTest::newRow("line break") << QStringList {"0.mp3", "0\n.mp3"} << "" << QStringList {controlsShown("0\n.mp3")};
        QTest::newRow("delete") << QStringList {"0.mp3", "0\x7f.mp3"} << "" << QStringList {controlsShown("0\x7f.mp3")};
    }

    void referenceRefused()
    {
        QFETCH(QStringList, tracks);
        QFETCH(QString, failing);
        TestCard reference;
        TestCard card;
        for (const QString &track : tracks)
            QVERIFY(reference.write(track, {})
                    && QFile::resize(reference.path(track), track.section('.', 0, 0).toLongLong()));
        FailingFileOps ops;
        ops.fail(failing);
        CardStore from(reference, ops);
        CardStore to(card);
        FleetRepository fleet(repository());
        for (const bool dry : {true, false}) {
            QStringList refused;
            for (const Finding &refusal : applyReference(fleet, from, to, dry).refusal)
                refused << refusal.place;
            QTEST(refused, "refused");
        }
        QCOMPARE(card.snapshot(), QStringList {"card"}); // nothing written
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
