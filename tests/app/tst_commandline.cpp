#include "storage/cardlock.h"
#include "storage/cardstore.h"
#include "support/helpers.h"
#include "support/testcard.h"

#include <QtTest>

// The real program's command line, run without a display.
class TestCommandLine : public QObject
{
    Q_OBJECT

    static QTemporaryDir &dataHome()
    {
        static QTemporaryDir folder;
        return folder;
    }
    // No display of any kind; the fleet's data and the cards' write locks in a folder of the test's own.
    static QStringList environment(const QString &data = {})
    {
        return {"LANG=C.UTF-8", "XDG_DATA_HOME=" + (data.isEmpty() ? dataHome().path() : data),
                "XDG_RUNTIME_DIR=" + dataHome().path()};
    }
    // The program's exit status, then what it wrote to standard output and to standard error: "status|out|err".
    static QString run(const QStringList &arguments, const QString &folder = {}, const QString &data = {})
    {
        QProcess app;
        app.setWorkingDirectory(folder);
        app.setEnvironment(environment(data));
        app.start(VEXOLO_APP_PATH, arguments);
        app.waitForFinished();
        return QString::number(app.exitCode()) + u'|' + QString::fromUtf8(app.readAllStandardOutput()) + u'|'
            + QString::fromUtf8(app.readAllStandardError());
    }

private Q_SLOTS:
    // What cannot be done: one line on standard error and status 2.
    void refused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        // clang-format off
        QTest::newRow("toolkit option, no display") << QStringList{"-reverse"} << "cannot open a display";
        QTest::newRow("unknown verb") << QStringList{"frobnicate"} << "\"frobnicate\" is neither a command";
        QTest::newRow("no card") << QStringList{"compare", "/", "/none"} << "/: no card folder there";
        // clang-format on
    }

    void refused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        const QString result = run(arguments);
        QVERIFY(result.startsWith("2||") && result.contains(said) && result.count(u'\n') == 1);
    }

    // Check, compare and copy a setup: what they print and their status; a dry run writes nothing.
    void cardVerbs()
    {
        TestCard from;
        TestCard to;
        from.addFiles({"A.mp3"});
        from.write("Programs/Program1.txt", "end");
        from.write("Programs/Program1.adv", "One");
        to.addFiles({"A.mp3"});
        const QString listing
            = "[{\"kind\":\"stale-listing\",\"message\":\"missing\",\"place\":\"Programs/RootDir.txt\","
              "\"repair\":\"write the listing anew\"}]\n";
        QCOMPARE(run({"check", to, "--json"}), "1|" + listing + "|");
        QCOMPARE(run({"compare", from, to}),
                 "1|Programs/Program1.txt: program 1 only on A\nPrograms/Program1.adv: the name is \"One\" on A, "
                 "empty on B\n|");
        const QStringList before = to.snapshot();
        QCOMPARE(run({"copy-setup", from, to, "--dry-run"}),
                 "0|Programs/Program1.txt: would be written\nPrograms/Program1.adv: would be written\n"
                 "Programs/RootDir.txt: would be written anew\n2 files would be written; nothing was written.\n|");
        QCOMPARE(to.snapshot(), before);
        QCOMPARE(run({"copy-setup", from, to}),
                 "0|Programs/Program1.txt: written\nPrograms/Program1.adv: written\n"
                 "2 files written; the copy reads back the same.\n|");
        QCOMPARE(run({"compare", from, to}), "0||");
        QCOMPARE(run({"copy-setup", from, to, "--dry-run"}), "0|0 files would be written; nothing was written.\n|");
        QCOMPARE(run({"check", to}), "0||");
        to.addFiles({"B.mp3"}); // the listing is stale, and a command file's track is gone: each repair said
        to.write("orphan.adv", "orphan.mp3 V3");
        QCOMPARE(run({"check", to, "--repair"}),
                 "0|Repaired: orphan.adv: removed, as its track is gone\n"
                 "Repaired: Programs/RootDir.txt: the listing written anew\n|");
        QVERIFY(!QFile::exists(to.path("orphan.adv")));
        QVERIFY(to.read("Programs/RootDir.txt").startsWith("A.mp3 V7")
                && to.read("Programs/RootDir.txt").contains("B.mp3 V7"));
        const QString same = "FROM and TO are the same card, or one lies inside the other: nothing to copy\n";
        QCOMPARE(run({"copy-setup", to, to.path("Programs")}), "1||" + same);
        QCOMPARE(run({"copy-setup", to.path("Programs"), to}), "1||" + same);
    }

    // The fleet from a script: a card made to match a reference, its player, its history and a restore, the log.
    void fleetVerbs()
    {
        TestCard reference;
        TestCard card;
        reference.write("A.mp3", "aaa");
        reference.write("A.adv", "A.mp3 V3");
        reference.write("Programs/Program1.txt", record("A.mp3 V7") + "end");
        card.write("B.mp3", "b");
        const QStringList before = card.snapshot();
        QCOMPARE(run({"apply", reference, card, "--dry-run"}).section('\n', 3),
                 "Programs/RootDir.txt: would be written anew\n3 files would be changed (95 bytes written); nothing "
                 "was written.\nThe reference's version is not yet known: its tracks are read as they are copied.\n"
                 "|B.mp3: the track is not on the reference; left alone\n");
        QCOMPARE(card.snapshot(), before);
        QCOMPARE(run({"apply", reference, card}),
                 "0|A.mp3: copied (3 bytes)\nPrograms/Program1.txt: written\nA.adv: written\n"
                 "Programs/RootDir.txt: written anew\n3 files changed (95 bytes written); verified.\n"
                 "|B.mp3: the track is not on the reference; left alone\n");
        QCOMPARE(run({"register", card, "Player 12", "--location", "Foyer"}).first(2)
                     + run({"identify", reference}).first(2),
                 "0|1|");
        QCOMPARE(run({"identify", card}), "0|Player 12\n|");
        // The card as the apply left it, then as it was before; the card as the apply left it is not kept twice.
        const QString id = run({"history", card}).section('\n', 1, 1).section(' ', 0, 0);
        QCOMPARE(run({"restore", card, id}).section('\n', -2), "2 files changed (0 bytes written); verified.\n|");
        QCOMPARE(run({"restore", card, "123456"}), "1||123456: no such version in the card's history\n");
        const QString history = run({"history", card});
        QVERIFY2(history.section('\n', 0, 0).endsWith("after restore of " + id)
                     && history.section('\n', 1, 1).endsWith("after apply of " + reference.root())
                     && run({"log"}).contains(": verified — version " + id + ", 2 files, 0 bytes\n"),
                 qPrintable(history));
        QCOMPARE(run({"apply", reference, card, "--dry-run", "--force"}).first(2), "2|");
        QCOMPARE(run({"register", card, "Player 14"}), "0|path:" + card.root() + " is Player 14 (was: Player 12)\n|");
        // Refused for want of room: nothing said to be copied or written.
        TestCard full;
        if (full.mountTmpfs("full") && reference.write("Big.mp3", QByteArray(200 * 1024, 'b')))
            QCOMPARE(run({"apply", reference, full}).first(3), "1||");
    }

    // The players kept from the command line: one name a player, renamed and located by name, listed beside the
    // reference, forgotten by card or by name with the card's history kept. A player's history follows its name onto
    // its next card; what changed since a version, one line a change.
    void players()
    {
        QTemporaryDir data;
        TestCard reference;
        TestCard one;
        TestCard two;
        reference.write("A.mp3", "aaa");
        reference.write("Programs/Program1.txt", record("A.mp3 V7") + "end");
        two.write("Programs/Program1.txt", record("A.mp3 V5") + record("B.mp3 V7") + "end");
        const auto in = [&data](const QStringList &arguments) { return run(arguments, {}, data.path()); };
        QCOMPARE(in({"register", one, "Player 1", "--location", "Foyer"}).first(2), "0|");
        QCOMPARE(in({"apply", reference, one}).first(2) + in({"apply", reference, one}).first(2), "0|0|");
        const QString key = "path:" + one.root();
        QCOMPARE(in({"register", two, " player 1"}),
                 "1||" + two.root() + ": \"Player 1\" is already the name of the player of the card " + key + "\n");
        QCOMPARE(in({"register", two, "Player 2"}).first(2), "0|");
        QCOMPARE(in({"player", "PLAYER 2", "--rename", "Player 3", "--notes", "spare"}),
                 "0|Player 3\ncard: path:" + two.root() + "\nlocation: \nnotes: spare\n|");
        const QString fleet = in({"fleet", "--json", "--reference", reference});
        QStringList rows;
        for (const QJsonValue row : QJsonDocument::fromJson(fleet.section('|', 1, 1).toUtf8()).array())
            rows << row["name"].toString() + '|' + row["location"].toString() + '|' + row["result"].toString() + '|'
                    + row["upToDate"].toString();
        QCOMPARE(rows, QStringList({"Player 1|Foyer|verified|matches", "Player 3|||never seen"}));
        QCOMPARE(in({"player", "Player 1", "--rename", "Spare"}).first(2), "0|");
        QCOMPARE(in({"player", "Player 3", "--rename", "Player 1"}).first(2), "0|");
        QCOMPARE(in({"apply", reference, two}).first(2), "0|");
        const QString id = in({"history", two}).section('\n', 1, 1).section(' ', 0, 0);
        QCOMPARE(in({"history", two, id}), "1|Program 1: B.mp3 (entry 2) removed\nProgram 1: A.mp3 volume 5 → 7\n|");
        const QString history = in({"history", "Player 1"});
        QVERIFY2(history.section('\n', 0, 0)
                         .endsWith("after apply of " + reference.root() + "  (card path:" + two.root() + ')')
                     && history.endsWith("before apply of " + reference.root() + "  (card " + key + ")\n|"),
                 qPrintable(history));
        QCOMPARE(in({"history", "Player 8"}).first(2), "2|");
        QCOMPARE(in({"forget", one}),
                 "0|Spare (card " + key + ") is no longer registered; the card's history is kept.\n|");
        QCOMPARE(in({"forget", "player 1"}).first(2), "0|");
        QCOMPARE(in({"forget", "Player 1"}), "2||Player 1: no player of that name, and no card folder there\n");
        QCOMPARE(in({"fleet"}), "0|Player  Card  Location  Last apply  Result\n|");
        QCOMPARE(in({"history", one}).count(QStringLiteral("apply")), 2); // before and after the first apply
    }

    // Another program writing to the card: apply waits, says so, writes nothing meanwhile, then goes on.
    void aSecondWriterWaits()
    {
        TestCard reference({"A.mp3"});
        TestCard card;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dataHome().path()));
        std::optional<Vexolo::CardWriteLock> other(std::in_place, Vexolo::CardStore(card).identity());
        QVERIFY(other->held());
        QProcess app;
        app.setEnvironment(environment());
        app.start(VEXOLO_APP_PATH, {"apply", reference, card});
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += app.readAllStandardError()).contains(Vexolo::WriterWaitText.toUtf8()), 15000);
        QCOMPARE(card.snapshot(), QStringList {"card"});
        other.reset();
        QVERIFY(app.waitForFinished() && app.exitCode() == 0 && app.readAllStandardOutput().endsWith("verified.\n"));
        QVERIFY(card.snapshot().contains("card/A.mp3"));
    }

    // Fleet data that cannot be opened keeps no card from being written, and says the history is not kept; damaged
    // data is said, never read as empty.
    void fleetDataUnusable()
    {
        TestCard reference;
        TestCard card;
        reference.write("A.mp3", "aaa");
        reference.write("A.adv", "A.mp3 V3");
        QTemporaryDir data;
        QVERIFY(QDir(data.path()).mkpath("vexolo-playlist-setup"));
        QFile blocker(data.filePath("vexolo-playlist-setup/fleet.git"));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // the fleet's data replaced by a file
        blocker.close();
        const QString applied = run({"apply", reference, card}, {}, data.path());
        QVERIFY2(applied.startsWith("1|") && applied.contains("verified.\n|")
                     && applied.contains("\nthe card's history could not be kept: the fleet's data cannot be opened"),
                 qPrintable(applied));
        QCOMPARE(card.read("A.adv"), "A.mp3 V3");

        QVERIFY(blocker.remove());
        QCOMPARE(run({"register", card, "Player 1"}, {}, data.path()).first(2), "0|");
        QFile ref(data.filePath("vexolo-playlist-setup/fleet.git/refs/heads/fleet"));
        QVERIFY(ref.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ref.write(QByteArray(40, 'b') + '\n'); // the branch names nothing
        ref.close();
        QVERIFY(run({"identify", card}, {}, data.path())
                    .startsWith("2||the fleet's data is damaged: a version (object bbbbbbbbbbbb) "
                                "is missing\n"));
    }

    // Applies run at once by separate programs each keep their log line.
    void concurrentApplies()
    {
        TestCard reference;
        reference.write("A.mp3", "aaa");
        reference.write("A.adv", "A.mp3 V3");
        QTemporaryDir data;
        std::vector<std::unique_ptr<TestCard>> cards;
        std::vector<std::unique_ptr<QProcess>> apps;
        for (int n = 0; n < 8; ++n) {
            cards.push_back(std::make_unique<TestCard>());
            apps.push_back(std::make_unique<QProcess>());
            apps.back()->setEnvironment({"LANG=C.UTF-8", "XDG_DATA_HOME=" + data.path()});
            apps.back()->start(VEXOLO_APP_PATH, {"apply", reference, *cards.back()});
        }
        for (const std::unique_ptr<QProcess> &app : apps)
            QVERIFY2(app->waitForFinished() && app->exitCode() == 0, app->readAllStandardError().constData());
        QCOMPARE(run({"log"}, {}, data.path()).count("verified"), 8);
    }

    // The production line without a window: cards mounted while it runs (a mount table of the test's own) are
    // written, one line each, until the count is verified; a card of no player is left alone and costs status 1.
    void produce_data()
    {
        QTest::addColumn<bool>("stranger"); // an unregistered card is inserted first
        QTest::addColumn<int>("status");
        QTest::newRow("registered card") << false << 0;
        QTest::newRow("unregistered card first") << true << 1;
    }

    void produce()
    {
        QFETCH(bool, stranger);
        QTemporaryDir data;
        TestCard reference;
        reference.write("A.mp3", "aaa");
        reference.write("Programs/Program1.txt", record("A.mp3 V7") + "end");
        TestCard card;
        TestCard other;
        QVERIFY(run({"register", card, "Player 1"}, {}, data.path()).startsWith("0|"));
        QFile mounts(data.filePath("mountinfo"));
        QVERIFY(mounts.open(QIODevice::WriteOnly));
        QProcess app;
        app.setEnvironment(environment(data.path()) << "VEXOLO_TEST_MOUNTINFO=" + mounts.fileName());
        app.start(VEXOLO_APP_PATH, {"produce", reference, "--count", "1"});
        QVERIFY(app.waitForReadyRead()); // the table is read: what is mounted now is left alone
        if (stranger)
            mounts.write("40 30 8:17 / " + QFile::encodeName(other.root()) + " rw - vfat /dev/sdy1 rw\n");
        mounts.write("41 30 8:33 / " + QFile::encodeName(card.root()) + " rw - vfat /dev/sdz1 rw\n");
        mounts.close();
        QVERIFY(app.waitForFinished());
        QTEST(app.exitCode(), "status");
        const QStringList lines = QString::fromUtf8(app.readAllStandardOutput()).split(u'\n');
        QCOMPARE(lines.size(), stranger ? 5 : 4);
        if (stranger)
            QVERIFY(lines[1].contains(": no player is registered for this card; nothing was written. Register it first "
                                      "(register "
                                      + other.root()));
        QVERIFY(
            QRegularExpression(R"(^card \(\d+(\.\d)? [MG]B\) Player 1: verified — version [0-9a-f]{12}, \d+ files$)")
                .match(lines[stranger ? 2 : 1])
                .hasMatch());
        QCOMPARE(lines[stranger ? 3 : 2],
                 stranger ? "2 cards: 1 verified, 1 not verified." : "1 card: 1 verified, 0 not verified.");
        QCOMPARE(card.read("A.mp3"), "aaa");
    }

    // A program's cue sheet as a PDF, the card and the file given relative to the current folder.
    void cueSheet_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after "cue-sheet", run beside the card folder "card"
        QTest::addColumn<QString>("result");
        const QString usage = "Usage: vexolo-playlist-setup cue-sheet <card folder> <program number> <file.pdf>\n";
        // clang-format off
        QTest::newRow("written") << QStringList{"card", "0", "3.pdf"} << "0||";
        QTest::newRow("no program 4") << QStringList{"card", "4", "3.pdf"}
                                      << "1||card: program 4 is not on the card\n";
        QTest::newRow("no program number") << QStringList{"card", "../card/Programs/Program3.txt", "3.pdf"}
            << "1||card: program ../card/Programs/Program3.txt is not on the card\n";
        QTest::newRow("unreadable program") << QStringList{"card", "9", "3.pdf"}
                                            << "1||card: program 9 cannot be read\n";
        QTest::newRow("no card") << QStringList{"none", "3", "3.pdf"}
            << "2||none: no card folder there (a card is an existing folder, not a system one)\n";
        QTest::newRow("PDF not writable") << QStringList{"card", "0", "none/3.pdf"}
                                          << "1||none/3.pdf: cannot be written\n";
        QTest::newRow("PDF to a full device") << QStringList{"card", "0", "/dev/full"}
                                              << "1||/dev/full: cannot be written\n";
        QTest::newRow("two arguments") << QStringList{"card", "3"} << "2||" + usage;
        // clang-format on
    }

    void cueSheet()
    {
        QFETCH(QStringList, arguments);
        TestCard card({"A.mp3"});
        card.write("Programs/Program0.txt", record("A.mp3 V7") + "end");
        QDir().mkpath(card.path("Programs/Program9.txt"));
        QTEST(run(QStringList {"cue-sheet"} + arguments, card.path("..")), "result");
        QProcess text;
        text.start("pdftotext", {card.path("../3.pdf"), "-"});
        text.waitForFinished();
        QCOMPARE(QString::fromUtf8(text.readAllStandardOutput()),
                 QTest::currentDataTag() != QByteArray("written") ? ""
                                                                  : "Program 0\nCard " + card.root()
                         + "\nCue sheet, printed " + QLocale::c().toString(QDate::currentDate(), QLocale::LongFormat)
                         + " \u00b7 times in seconds\n1) A \u2014 length unknown \u00b7 starts 0:00.0 into run 1\n"
                           "Remote: fade and cue the next track \u00b7 Auto play next track: no \u00b7 Volume 7\n"
                           "End of the program \u00b7 run 1 ran ?\n1\n2\n3\n4\n5\n6\n7\n8\nA\n0\n\nPage 1 of 1\n\n2\n\n"
                           "4\n\n6\n\n8\n\n\f");
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
