#include "reports/cardcheck.h"
#include "reports/cardsetup.h"
#include "reports/programoverview.h"
#include "support/failingfileops.h"
#include "support/helpers.h"
#include "support/notices.h"
#include "support/testcard.h"
#include "words/findingwords.h"

#include <QtTest>

using namespace Vexolo;

// Checking a card and repairing it, comparing two cards and copying a setup, on real folders.
class TestFleet : public QObject
{
    Q_OBJECT

    static QStringList lines(const Findings &findings)
    {
        QStringList lines;
        for (const Finding &finding : findings)
            lines.append(kindName(finding.kind) + ' ' + findingLine(finding));
        return lines;
    }
    static CopyPlan planOf(const CardStore &from, const CardStore &to)
    {
        return planCopy(from.readContents(), to.readContents());
    }
    // Name, content, ...: each takes the place of what was there; a name ending in "/" is a folder.
    static void lay(const TestCard &card, const QByteArrayList &files)
    {
        for (qsizetype i = 0; i < files.size(); i += 2) {
            QDir(card.path(files[i])).removeRecursively();
            card.write(files[i], files[i + 1]);
        }
    }

private Q_SLOTS:
    void check_data()
    {
        QTest::addColumn<QByteArrayList>("files"); // laid over a clean card
        QTest::addColumn<QStringList>("found"); // kind, then the line of the report
        QTest::addColumn<int>("left"); // findings left once every certain repair is done
        const QString listing = "stale-listing Programs/RootDir.txt: no longer matches the tracks and their settings"
                                " (repair: write the listing anew)";
        // clang-format off
        QTest::newRow("clean") << QByteArrayList{} << QStringList{} << 0;
        QTest::newRow("programs and names") << QByteArrayList{"Programs/Program1.txt", record("C.mp3") + "end",
            "Programs/Program1.adv", "", "Programs/Program2.txt", "end", "Programs/Program3.txt", "end",
            "Programs/Program3.adv", "Two\nlines", "Programs/Program4.txt", "end", "Programs/Program4.adv",
            QByteArray(79, 'n'), "Programs/Program5.txt", "end", "Programs/Program5.adv", QByteArray(80, 'n'),
            "Programs/Program6.adv", "No program", "Programs/Program7.txt/", "", "Programs/Program8.txt", "end",
            "Programs/Program8.adv/", "", "A.adv", QByteArray(1025, 'x')} << QStringList{
            "missing-track Programs/Program1.txt, record 1: the track \"C.mp3\" is not on the card: Load leaves the "
            "entry out", "bad-string Programs/Program1.txt, record 1: no mode character (a blank, 1, 2, 5, 6 or 7) "
            "follows the track name", "name-file Programs/Program1.adv: empty: program 1 has no name",
            "name-file Programs/Program2.adv: missing: program 2 has no name",
            "name-file Programs/Program3.adv: holds more than one line: only the first is the name",
            "name-file Programs/Program5.adv: the name is 80 characters long; at most 79 fit a line of the device",
            "unreadable Programs/Program7.txt: cannot be read: no regular file (a link, a folder, a device or a "
            "file of another mount)",
            "name-file Programs/Program7.adv: missing: program 7 has no name",
            "unreadable Programs/Program8.adv: cannot be read: no regular file (a link, a folder, a device or a "
            "file of another mount)", "unreadable A.adv: cannot be read: over 1 KiB"} << 10;
        QTest::newRow("orphan, wrong track") << QByteArrayList{"C.adv", "C.mp3 V7",
            "A.adv", ".mp3 V7 P" + QByteArray(70, '1'), // too long to name A.mp3
            "B.adv", "X.mp3 V7 P" + QByteArray(69, '1')} << QStringList{"orphan-command-file C.adv: the command "
            "file of \"C.mp3\", which is not on the card (repair: remove the file)", "wrong-track A.adv: holds the "
            "settings of \".mp3\", not of \"A.mp3\"",
            "wrong-track B.adv: holds the settings of \"X.mp3\", not of \"B.mp3\" (repair: give the settings the "
            "name \"B.mp3\")", listing} << 1;
        QTest::newRow("tokens") << QByteArrayList{"A.adv", "A.mp3 V7 9+1 Q2 1-8 3-4 2+6 1+7  P5",
            "B.adv", "B.mp3 V12 1X3 1A5 2-6 1Q 4?5 8-9 1X9 1A10 0+1 P 1+"} << QStringList{
            "bad-string A.adv, token \"9+1\": there is no output 9 (they are 1 to 8): the reader drops it",
            "bad-string A.adv, token \"Q2\": no command (P, V or an output digit): the reader drops it",
            "bad-string A.adv: two blanks in a row end the reading: \"P5\" is not read",
            "bad-string A.adv, token \"3-4\": switches output 3 off before it is switched on",
            "bad-string A.adv, token \"2+6\": switches output 2 on, and nothing switches it off",
            "bad-string B.adv, token \"V12\": the volume is not one digit: it is read as \"2\"",
            "bad-string B.adv, token \"1Q\": no switch (+, -, A or X) follows the output: the reader drops it",
            "bad-string B.adv, token \"4?5\": no switch (+ or -) follows the output: it is read as Off",
            "bad-string B.adv, token \"0+1\": there is no output 0 (they are 1 to 8): the reader drops it",
            "bad-string B.adv, token \"P\": the pause has no time",
            "bad-string B.adv, token \"1+\": the switch has no time",
            "bad-string B.adv, token \"1X3\": switches all outputs off before any is switched on",
            "bad-string B.adv, token \"1A10\": switches all outputs on, and nothing switches them off", listing} << 13;
        QTest::newRow("what the timeline finds") << QByteArrayList{"A.adv", "A.mp3 V7 1A5 3+20 4+5 4-5 5+6s 5-9"}
            << QStringList{"bad-string A.adv, token \"1A5\": switches all outputs on, and nothing switches them off",
            "bad-string A.adv, token \"3+20\": switches output 3 on, and nothing switches it off",
            "bad-string A.adv, token \"4-5\": switches output 4 on and off at the same time: it ends off",
            "bad-string A.adv, token \"5+6s\": \"6s\" is not a whole number: the device reads it as 6", listing} << 4;
        QTest::newRow("too long, too many") << QByteArrayList{"A.adv", "A.mp3X V7 P" + QByteArray(69, '1'),
            "B.adv", "B.mp3 P1 P1 P1 P1 P1 P1 P1 P1 P1 P1 P2 3+1 3+2 3+3 3+4 3+5 3+6 3-7", "C.mp3", "",
            "C.adv", "Nothing", "D.mp3", "", "D.adv", "D.mp3 V7 1+2 E.mp3"}
            << QStringList{"bad-string A.adv: the string is 80 characters long; the device takes at most 79",
            "bad-string D.adv: the string ends with \".mp3\": the reader takes no settings from it",
            "bad-string A.adv: no mode character (a blank, 1, 2, 5, 6 or 7) follows the track name",
            "bad-string B.adv, token \"P2\": more than ten pauses: the reader drops this one",
            "bad-string B.adv, token \"3+6\": more than five On times for output 3: the reader drops this one",
            "bad-string B.adv: the string has no volume (\"V\" and a digit)",
            "bad-string C.adv: the string names no track: it holds no \".mp3\"", listing} << 7;
        QTest::newRow("not whole records") << QByteArrayList{"Programs/Program1.txt", "A.mp3 V7\r\nend\r\nB.mp3 V7",
            "Programs/Program0.txt", "\r\nA.mp3 V7\r\r\nB.mp3 V7\r\nend\n", "Programs/Program0.adv", "0",
            "Programs/Program3.txt", "\xEF\xBB\xBF" "A.mp3 V7" + QByteArray(71, ' ') + "\r\nend",
            "Programs/Program3.adv", "3", "Programs/Program2.txt", record("A.mp3 V7") + "end\r\nend\r\n",
            "Programs/Program2.adv", "2"} << QStringList{
            "program-format Programs/Program1.txt: line 1 is 8 characters long, not a whole record of 79"
            " (repair: rewrite its entries as whole records ending with \"end\")",
            "program-format Programs/Program1.txt: records follow \"end\""
            " (repair: rewrite its entries as whole records ending with \"end\")",
            "program-format Programs/Program1.txt: the file does not end with \"end\""
            " (repair: rewrite its entries as whole records ending with \"end\")",
            "program-format Programs/Program0.txt: line 1 is 0 characters long, not a whole record of 79 (and 2 more "
            "lines)"
            " (repair: rewrite its entries as whole records ending with \"end\")",
            "program-format Programs/Program0.txt: a line end follows the closing \"end\""
            " (repair: rewrite its entries as whole records ending with \"end\")",
            "program-format Programs/Program2.txt: records follow \"end\""
            " (repair: rewrite its entries as whole records ending with \"end\")",
            "program-format Programs/Program2.txt: a line end follows the closing \"end\""
            " (repair: rewrite its entries as whole records ending with \"end\")",
            "program-format Programs/Program3.txt: the file is not in the form Save writes"} << 1;
        QTest::newRow("long track name, leftover") << QByteArrayList{QByteArray(73, 'x') + ".mp3", "",
            ".vexolo-2147483647-1.tmp", ""} << QStringList{
            "long-track-name " + QString(73, 'x') + ".mp3: the name is 77 characters long: a track name of 77 or "
            "more cannot carry settings", listing,
            "leftover .vexolo-2147483647-1.tmp: a temporary file "
            "left by an interrupted save (repair: remove the temporary files)"} << 1;
        QTest::newRow("leftover beside a good listing") << QByteArrayList{"Programs/.vexolo-2147483647-1.tmp", ""}
            << QStringList{"leftover Programs/.vexolo-2147483647-1.tmp: a temporary file "
            "left by an interrupted save (repair: remove the temporary files)"} << 0;
        QTest::newRow("a leftover and a command file that are folders: no repair") << QByteArrayList{"Gone.adv/", "",
            "Programs/.vexolo-2147483647-2.tmp/", ""} << QStringList{"orphan-command-file Gone.adv: the command file "
            "of \"Gone.mp3\", which is not on the card; no regular file (a link, a folder or a FIFO), so the program "
            "does not remove it: remove it yourself",
            "leftover Programs/.vexolo-2147483647-2.tmp: named as a temporary "
            "file of an interrupted save, but no regular file (a link, a folder or a FIFO), so the program does not "
            "remove it: remove it yourself"} << 2;
        QTest::newRow("more entries than Load reads") << QByteArrayList{"Programs/Program9.txt",
            QByteArray("a\n").repeated(ProgramRecordLimit + 1), "Programs/Program9.adv", "Nine"} << QStringList{
            "unreadable Programs/Program9.txt: holds more entries than Load reads: too large to check"} << 1;
        QTest::newRow("no Programs folder") << QByteArrayList{"Programs", ""} << QStringList{
            "unreadable Programs: no folder of this card: programs cannot be saved or loaded"} << 1;
        // clang-format on
    }

    void check()
    {
        QFETCH(QByteArrayList, files);
        TestCard card;
        lay(card,
            {"A.mp3", "", "B.mp3", "", "Programs/Program1.txt", record("A.mp3 V7") + "end", "Programs/Program1.adv",
             "Show", "Programs/RootDir.txt", record("A.mp3 V7") + record("B.mp3 V7") + "end"});
        lay(card, files);
        CardStore store(card);
        QFETCH(QStringList, found);
        found.sort();
        const Findings findings = checkCard(store).findings;
        QStringList shown = lines(findings);
        shown.sort();
        QCOMPARE(shown, found);
        // Each certain repair once, however many findings it mends.
        const QList<Repair> repairs = certainRepairs(findings + findings);
        QVERIFY(repairs == certainRepairs(findings) && std::ranges::all_of(repairs, &Repair::isCertain));
        QCOMPARE(repairAll(store, findings), Notices());
        // A repair gives settings their track's name; the settings stay.
        for (qsizetype i = 0; i < files.size(); i += 2) {
            const QByteArray now = card.read(files[i]).split('\r').first();
            if (files[i].endsWith(".adv") && !files[i].contains('/') && !now.isEmpty())
                QCOMPARE(now.mid(now.indexOf(".mp3")), files[i + 1].mid(files[i + 1].indexOf(".mp3")));
        }
        QTEST(int(checkCard(store).findings.size()), "left");
    }

    // A link, a FIFO: never offered for repair; a repair asked all the same says why it could not be done, by its
    // cause.
    void repairOfNoFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("shown");
        QTest::newRow("orphan, a link") << "link" << int(Repair::RemoveCommandFile) << "Gone.adv"
                                        << "Could not repair Gone.adv!\nGone.adv is a link, which is not followed.";
        QTest::newRow("leftover, a FIFO")
            << "fifo" << int(Repair::RemoveLeftovers) << ".vexolo-2147483647-1.tmp"
            << "Could not repair .vexolo-2147483647-1.tmp!\n.vexolo-2147483647-1.tmp is no regular file.";
    }

    void repairOfNoFile()
    {
        QFETCH(QString, kind);
        QFETCH(int, action);
        QFETCH(QString, target);
        TestCard card({"A.mp3"});
        QVERIFY(card.write("../secret", "kept"));
        const QByteArray path = QFile::encodeName(card.path(target));
        QVERIFY(kind == "link" ? ::symlink("../secret", path.constData()) == 0 : ::mkfifo(path.constData(), 0644) == 0);
        CardStore store(card);
        const Findings findings = checkCard(store).findings;
        QVERIFY(std::ranges::none_of(findings, [&](const Finding &f) { return f.repair.target == target; }));
        QVERIFY(std::ranges::any_of(findings, [&](const Finding &f) { return f.place == target; }));
        QTEST(texts(applyRepair(store, {Repair::Action(action), target})), "shown");
        QVERIFY(QFileInfo(card.path(target)).isSymLink() || QFileInfo(card.path(target)).exists());
        QCOMPARE(card.read("../secret"), "kept");
    }

    // A repair that cannot be written says so, each of them when all are repaired.
    void repairFails()
    {
        TestCard card;
        lay(card,
            {"A.mp3", "", "A.adv", "B.mp3 V7", "C.adv", "C.mp3 V7", "Programs/Program1.txt", "A.mp3 V7\r\nend",
             "Programs/Program1.adv", "One"});
        FailingFileOps ops;
        ops.failing = {"rename", "unlink"};
        CardStore store(card, ops);
        QCOMPARE(texts(repairAll(store, checkCard(store).findings)),
                 "Could not repair 1! Your card may be write protected!|Could not write to file: [A.adv]|"
                 "Could not repair C.adv! Your card may be write protected!|Could not create root "
                 "directory listing! Your card may be write portected!");
        // A program deleted since the check is not written again, empty.
        CardStore plain(card);
        const Findings findings = checkCard(plain).findings;
        QVERIFY(QFile::remove(card.path("Programs/Program1.txt")) && QFile::resize(card.path("A.adv"), 2000));
        for (const Finding &finding : findings) {
            if (finding.repair.action == Repair::RewriteProgram || finding.repair.action == Repair::RewriteCommandFile)
                QCOMPARE(applyRepair(plain, finding.repair).size(), 1);
        }
        QVERIFY(!QFile::exists(card.path("Programs/Program1.txt")));
    }

    // A repair that did not happen says why, with the cause the card gave; none is reported done.
    void repairSaysWhy_data()
    {
        // The call that fails, "call first error" (or "gone": the card is pulled); the repair; the message shown.
        QTest::addColumn<QString>("calls");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("shown");
        const QString cannot = "Could not repair %1! Your card may be write protected!";
        QTest::newRow("program, card full")
            << "rename 1 28" << int(Repair::RewriteProgram) << "1" << cannot.arg("1") + "\nThe card is full.";
        QTest::newRow("program, gone meanwhile")
            << "gone" << int(Repair::RewriteProgram) << "1" << cannot.arg("1") + "\nThe card was removed.";
        QTest::newRow("orphan, read-only") << "unlink 1 30" << int(Repair::RemoveCommandFile) << "C.adv"
                                           << cannot.arg("C.adv") + "\nThe card is write-protected.";
        QTest::newRow("orphan, its track not known")
            << "list 1 5" << int(Repair::RemoveCommandFile) << "C.adv" << cannot.arg("C.adv");
        QTest::newRow("leftovers, read-only") << "unlink 1 30" << int(Repair::RemoveLeftovers) << "x.tmp"
                                              << cannot.arg("x.tmp") + "\nThe card is write-protected.";
        QTest::newRow("listing, card gone") << "gone" << int(Repair::WriteListing) << "RootDir.txt"
                                            << "No card is chosen! Choose the volume of your card first.\n"
                                               "The card was removed.";
        QTest::newRow("listing, tracks not listed") << "list 1 5" << int(Repair::WriteListing) << "RootDir.txt"
                                                    << "Could not create root directory listing! Your card may be "
                                                       "write portected!";
    }

    void repairSaysWhy()
    {
        QFETCH(QString, calls);
        QFETCH(int, action);
        QFETCH(QString, target);
        TestCard card;
        lay(card,
            {"A.mp3", "", "C.adv", "C.mp3 V7", ".vexolo-2147483647-1.tmp", "", "Programs/Program1.txt",
             "A.mp3 V7\r\nend", "Programs/Program1.adv", "One"});
        FailingFileOps ops;
        CardStore store(card, ops);
        if (calls == "gone")
            QVERIFY(QDir(card.root()).removeRecursively());
        else
            ops.fail(calls);
        QTEST(texts(applyRepair(store, {Repair::Action(action), target})), "shown");
    }

    // Programs, names, settings and tracks that differ or are on one side only, in the order of the report.
    void compare()
    {
        TestCard a;
        TestCard b;
        const QByteArray entry = record("A.mp3 V7");
        const QByteArray most = QByteArray("a\n").repeated(ProgramRecordLimit); // as many entries as Load reads
        lay(a,
            {"A.mp3",
             "",
             "B.mp3",
             "",
             "L\ne.mp3",
             "",
             "A.adv",
             "A.mp3 V5",
             "D.adv",
             "D.mp3 V7",
             "Programs/Program0.txt",
             "end",
             "Programs/Program2.txt",
             entry + entry + "end",
             "Programs/Program3.txt",
             most,
             "Programs/Program4.txt",
             entry + "end",
             "Programs/Program5.txt/",
             "",
             "Programs/Program6.txt",
             "end",
             "Programs/Program6.adv",
             "Show",
             "Programs/Program7.txt",
             most + "a",
             "Programs/Program8.adv",
             "Lonely",
             "Programs/Program8.txt",
             "end",
             "Programs/Program9.txt",
             "end",
             "Programs/Program9.adv",
             "S"});
        lay(b,
            {"a.mp3",
             "",
             "T\tb.mp3",
             "",
             "C.mp3",
             "",
             "C.adv",
             "C.mp3 V3",
             "Programs/Program1.txt",
             "end",
             "Programs/Program2.txt",
             entry + record("B.mp3 V7") + "end",
             "Programs/Program3.txt",
             entry + entry + "end",
             "Programs/Program4.txt",
             "A.mp3 V7\r\nend",
             "Programs/Program5.txt",
             "end",
             "Programs/Program6.txt",
             "end",
             "Programs/Program7.txt",
             most,
             "Programs/Program7.adv/",
             "",
             "Programs/Program8.txt",
             most,
             "Programs/Program9.txt",
             "end",
             "Programs/Program9.adv",
             "S"});
        CardStore one(a);
        CardStore other(b);
        QCOMPARE(
            lines(compareSetups(one.readContents(), other.readContents())),
            QStringList({"only-on-a Programs/Program0.txt: program 0 only on A",
                         "only-on-b Programs/Program1.txt: program 1 only on B",
                         "differs Programs/Program2.txt: record 2 differs: \"A.mp3 V7\" on A, \"B.mp3 V7\" on B",
                         "differs Programs/Program3.txt: record 1 differs: \"a\" on A, \"A.mp3 V7\" on B",
                         "differs Programs/Program4.txt: the same entries in other bytes (line ends or filling)",
                         "differs Programs/Program5.txt: cannot be read on A",
                         "differs Programs/Program6.adv: the name is \"Show\" on A, empty on B",
                         "differs Programs/Program7.txt: cannot be read on A: more entries than Load reads",
                         "differs Programs/Program7.adv: the name is empty on A, empty on B",
                         "differs Programs/Program8.txt: 0 entries on A, 103563 on B",
                         "differs Programs/Program8.adv: the name is \"Lonely\" on A, empty on B",
                         "differs A.adv: the settings are \"A.mp3 V5\" on A, \"a.mp3 V7\" on B",
                         "only-on-b C.adv: the command file only on B", "only-on-a D.adv: the command file only on A",
                         "only-on-a B.mp3: the track only on A", "only-on-b C.mp3: the track only on B",
                         "refused L\u240Ae.mp3: named as a track on A, but its name holds a line break, a tab or "
                         "another control character: no track, not compared",
                         "refused T\u2409b.mp3: named as a track on B, but its name holds a line break, a tab or "
                         "another control character: no track, not compared"}));
    }

    // A copy onto a card holding part of the tracks, read back; then a backup into an empty folder.
    void copyAndCompare()
    {
        TestCard from;
        TestCard to;
        TestCard backup;
        lay(from,
            {"A.mp3", "", "B.mp3", "", "A.adv", "A.mp31V5", "B.adv", "B.mp3 V3", "Programs/Program2.txt",
             record("B.mp3 V7") + "end", "Programs/Program1.txt", "end"});
        lay(to,
            {"a.MP3", "", "Programs/Program2.adv", "Old", "Programs/Program3.txt", "end", "Programs/Program1.txt",
             "end"});
        CardStore source(from);
        CardStore target(to);
        const CopyPlan plan = planOf(source, target);
        QCOMPARE(
            lines(plan.notes),
            QStringList({"track-not-on-target Programs/Program2.txt, record 1: the track \"B.mp3\" is not on the "
                         "target card; the entry is copied",
                         "not-copied B.adv: its track \"B.mp3\" is not on the target card; the file is not copied"}));
        QStringList written;
        for (const CardStore::FileWrite &write : plan.writes)
            written << pathOf(write);
        QCOMPARE(written, QStringList({"Programs/Program2.txt", "Programs/Program2.adv", "a.adv"}));
        QCOMPARE(copySetup(target, plan), Findings());
        QCOMPARE(to.read("a.adv"), "A.mp31V5");
        QCOMPARE(lines(compareSetups(source.readContents(), target.readContents())),
                 QStringList({"only-on-b Programs/Program3.txt: program 3 only on B",
                              "only-on-a B.adv: the command file only on A", "only-on-a B.mp3: the track only on A"}));

        target.choose(backup);
        QCOMPARE(copySetup(target, planOf(source, target)), Findings());
        QCOMPARE(lines(compareSetups(source.readContents(), target.readContents())),
                 QStringList({"only-on-a A.mp3: the track only on A", "only-on-a B.mp3: the track only on A"}));

        // Only the listing left to write, and the card gone before it is: no verified copy.
        to.write("Programs/RootDir.txt", "stale");
        target.choose(to);
        const CopyPlan listing = planOf(source, target);
        QVERIFY(listing.writes.isEmpty() && listing.listing && QDir(to.root()).removeRecursively());
        QCOMPARE(lines(copySetup(target, listing)),
                 QStringList {"not-verified Programs/RootDir.txt: does not match the tracks and their settings"});
    }

    // What cannot be read on the source, or a target without its Programs folder: nothing is written.
    void copyRefused()
    {
        TestCard from;
        TestCard to;
        lay(from,
            {"A.mp3", "", "A.adv/", "", "Programs/Program4.txt/", "", "Programs/Program5.txt", "end",
             "Programs/Program5.adv/", ""});
        to.write("Programs", "");
        CardStore source(from);
        CardStore target(to);
        const CopyPlan plan = planOf(source, target);
        const QStringList refused {"refused Programs: no folder of the target card: the setup is not copied",
                                   "refused Programs/Program4.txt: cannot be read: the setup is not copied",
                                   "refused Programs/Program5.adv: cannot be read: the setup is not copied",
                                   "refused A.adv: cannot be read: the setup is not copied"};
        QCOMPARE(lines(plan.refusal), refused);
        QVERIFY(plan.writes.isEmpty() && !plan.listing);
        const QStringList before = to.snapshot();
        QCOMPARE(lines(copySetup(target, plan)), refused);
        QCOMPARE(to.snapshot(), before);
    }

    // A copy that cannot be written is no success: the files it could not write, and only those.
    void copyFails_data()
    {
        QTest::addColumn<QString>("failing"); // the card's call, and from which of them on
        QTest::addColumn<QStringList>("failed");
        const QString listing = "not-verified Programs/RootDir.txt: could not be written";
        // clang-format off
        QTest::newRow("every rename") << "rename 1" << QStringList{
            "not-verified Programs/Program1.txt: could not be written",
            "not-verified Programs/Program1.adv: could not be written",
            "not-verified A.adv: could not be written", listing};
        QTest::newRow("second write on (an empty file has none)") << "write 2" << QStringList{
            "not-verified A.adv: could not be written", listing};
        QTest::newRow("reading back") << "read 1" << QStringList{
            "not-verified Programs/Program1.txt: reads back differently from the source",
            "not-verified Programs/Program1.adv: reads back differently from the source",
            "not-verified A.adv: reads back differently from the source",
            "not-verified Programs/RootDir.txt: does not match the tracks and their settings"};
        // clang-format on
    }

    void copyFails()
    {
        TestCard from;
        TestCard to;
        lay(from, {"A.mp3", "", "A.adv", "A.mp3 V5", "Programs/Program1.txt", "end", "Programs/Program1.adv", ""});
        FailingFileOps ops;
        CardStore source(from);
        CardStore target(to, ops);
        QFETCH(QString, failing);
        ops.fail(failing);
        QTEST(lines(copySetup(target, planOf(source, target))), "failed");
    }

    // Read once per card, then kept up to date by this program's saves and deletes of valid numbers only.
    void overview()
    {
        TestCard card;
        lay(card,
            {"Programs/Program0.txt", record("A.mp3 V7") + record("B.mp3 V7") + "end", "Programs/Program0.adv", "Zero",
             "Programs/Program4.txt", record("A.mp3 V7") + "end", "Programs/Program4.adv", "Show",
             "Programs/Program5.txt/", "", "Programs/Program6.txt", "end", "Programs/Program8.adv", "Lonely",
             "Programs/Program9.txt", QByteArray("a\n").repeated(ProgramRecordLimit + 1), "Programs/Program3.txt",
             QByteArray("a\n").repeated(ProgramRecordLimit)}); // one past the entries Load reads, and just those
        CardStore store(card);
        ProgramOverview programs;
        QAbstractItemModelTester tester(&programs);
        const auto rows = [&programs] {
            QStringList texts;
            for (int n = 0; n < programs.rowCount(); ++n)
                texts << programs.index(n).data().toString() + '='
                        + programs.index(n).data(ProgramOverview::NumberRole).toString();
            return texts.join(u'|');
        };
        programs.showCard(store);
        QCOMPARE(rows(),
                 "0  Zero, 2 entries=0|1  (no program)=1|2  (no program)=2|3  (no name), 103563 entries=3|4  Show, 1 "
                 "entry=4|"
                 "5  (cannot be read)=5|6  (no name), 0 entries=6|7  (no program)=7|8  (no program)=8|"
                 "9  (cannot be read)=9");
        QCOMPARE(programs.program(8), ProgramOverview::Program());
        programs.programSaved(store.identity(), 0, 3, "New");
        programs.programSaved(CardIdentity(), 1, 1, "Other card");
        programs.programDeleted(store.identity(), 4);
        card.write("Programs/Program7.txt", "end");
        programs.showCard(store);
        QCOMPARE(
            rows(),
            "0  New, 3 entries=0|1  (no program)=1|2  (no program)=2|3  (no name), 103563 entries=3|4  (no program)=4|"
            "5  (cannot be read)=5|6  (no name), 0 entries=6|7  (no program)=7|8  (no program)=8|"
            "9  (cannot be read)=9");
    }
};

QTEST_GUILESS_MAIN(TestFleet)
#include "tst_fleet.moc"
