#include "frmmain.h"
#include "storage/safefile.h"
#include "support/failingfileops.h"
#include "support/helpers.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QtTest>
#include <QtWidgets>

#include <fcntl.h>
#include <unistd.h>

// Safe file replacement; Save, Load and Delete of programs and the card listing through the main window. Real cards.
class TestProgramStorage : public QObject
{
    Q_OBJECT

    static constexpr int Yes = PlatformAdapter::AnswerYes, No = PlatformAdapter::AnswerNo;
    static inline const QString Overwrite = QStringLiteral("This Playlist already exists! Overwrite?");
    static inline const QString Delete1 = QStringLiteral("Are you sure you want to delete Playlist Number 1?");

    // A real card folder, the scripted platform and the main window.
    struct Session
    {
        TestCard card;
        ScriptedPlatform platform;
        FailingFileOps ops;
        frmMain window {platform, ops};
        // Playlist number and name, the playlist, its command strings.
        QString state() const
        {
            return window.txtList->text() + u' ' + window.txtName->text() + u'|'
                + frmMain::rowTexts(window.lstList).join(u';') + u'|' + frmMain::rowTexts(window.lstListAdv).join(u';');
        }
        // Every file and folder beside and below the card root, each with its bytes.
        QStringList files() const
        {
            QStringList entries = card.snapshot();
            for (QString &entry : entries)
                entry += u'=' + QString::fromLatin1(card.read("../" + entry));
            return entries;
        }
    };

private Q_SLOTS:
    void typicalSession()
    {
        Session s;
        s.card.addFiles({"Intro.mp3", "Song.mp3", "Coda.mp3", "notes.txt", "../x.mp3"});
        s.card.write("Coda.adv", "Coda.mp37V9");
        s.card.write("Programs/Program2.txt", "C.mp3\r\nSong.mp31V5\r\n../x.mp3 V7\r\nA.mp3\r\nend\r\nIntro.mp3 V3");
        s.card.write("Programs/Program2.adv", "Mixed\r\nsecond line");
        s.card.write("Programs/Program0.adv", "Stale");
        s.card.write("Programs/Program9.txt", "Intro.mp3 V9");
        s.window.drvCard->setEditText(s.card.root());
        s.window.cmdAddAll->click();
        s.window.lstListAdv->item(2)->setText("Song.mp31V5 P30");
        s.window.txtName->setText("Party Mix");
        s.window.cmdSave->click();
        const QByteArray coda = record("Coda.mp37V9"), intro = record("Intro.mp3 V7"), song = record("Song.mp31V5 P30");
        QCOMPARE(s.card.read("Programs/Program1.txt"), coda + intro + song + "end");
        QCOMPARE(s.card.read("Programs/Program1.adv"), QByteArray("Party Mix"));
        QCOMPARE(s.card.read("Programs/RootDir.txt"), coda + intro + record("Song.mp3 V7") + "end");
        s.window.cmdUp->click();
        QCOMPARE(s.state(), "2 Mixed|Song.mp3;Intro.mp3|Song.mp31V5;Intro.mp3 V3");
        s.window.cmdDown->click();
        s.window.cmdDown->click();
        QCOMPARE(s.state(), "0 ||"); // no program: no name either
        s.window.cmdDown->click(); // the number wraps both ways
        QCOMPARE(s.state(), "9 |Intro.mp3|Intro.mp3 V9");
        s.window.cmdUp->click();
        s.window.cmdUp->click();
        QCOMPARE(s.state(), "1 Party Mix|Coda.mp3;Intro.mp3;Song.mp3|Coda.mp37V9;Intro.mp3 V7;Song.mp31V5 P30");
        s.window.lstListAdv->item(0)->setText("Coda.mp3 V1");
        s.platform.answers << Yes << No << Yes; // overwrite, then delete twice
        s.window.cmdSave->click();
        QCOMPARE(s.card.read("Programs/Program1.txt"), record("Coda.mp3 V1") + intro + song + "end");
        s.window.cmdDelete->click();
        s.window.cmdDelete->click();
        QCOMPARE(s.state(), "1 Party Mix||");
        QCOMPARE(s.card.snapshot().filter("Program1"), QStringList {"card/Programs/Program1.adv"});
        const QString omitted = "The following files were ommited since they were not found on your card!\n"
                                "C.mp3\n../x.mp3\nA.mp3";
        QCOMPARE(s.platform.shown, QStringList({omitted, Overwrite, Delete1, Delete1}));
    }

    void replace_data()
    {
        // writeFileSafely alone: a replacement either happens whole or leaves the card exactly as it was, with no
        // stray file. The file there first, then "Program1.txt" is replaced.
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("kind"); // of card: a plain folder, one whose calls fail, a tmpfs read-only or full
        QTest::addColumn<bool>("replaced");
        // clang-format off
        QTest::newRow("replaces a longer file") << "Program1.txt" << "folder" << true;
        QTest::newRow("replaces a link, not its target") << "Program1.txt>../outside.txt" << "folder" << true;
        QTest::newRow("name is a folder") << "Program1.txt/inside.txt" << "folder" << false;
        for (const char *call : {"open", "write", "fsync", "close", "rename"})
            QTest::addRow("%s fails", call) << "Program1.txt" << call << false;
        QTest::newRow("read-only mount") << "Program1.txt" << "read-only" << false;
        QTest::newRow("full tiny tmpfs") << "Program1.txt" << "full" << false;
        // clang-format on
    }

    void replace()
    {
        QFETCH(QString, old);
        QFETCH(QString, kind);
        QFETCH(bool, replaced);
        const QByteArray oldContent = "Song.mp31V5 P30" + QByteArray(64, ' ') + "\r\nend", content = "Intro.mp3 V7";
        TestCard card;
        const bool mounted = kind == "read-only" || kind == "full";
        if (mounted && !card.mountTmpfs(kind))
            QSKIP("mounting a tmpfs is not permitted here");
        const QString link = old.section(u'>', 0, 0), target = old.section(u'>', -1);
        QVERIFY(card.write(target, oldContent) && (link == target || QFile::link(target, card.path(link))));
        QVERIFY(!mounted || card.spoil(kind));
        QStringList after = card.snapshot();
        if (replaced && link != target)
            after.append("card/Program1.txt"); // the link itself became the file
        FailingFileOps ops;
        ops.failing = QStringList {kind};
        const int folder = ::open(QFile::encodeName(card.root()).constData(), O_RDONLY | O_DIRECTORY);
        QString error;
        QCOMPARE(Vexolo::writeFileSafely(folder, "Program1.txt", content, ops, &error), replaced);
        ::close(folder);
        QCOMPARE(error.isEmpty(), replaced);
        QCOMPARE(card.read(link), replaced ? content : oldContent);
        QCOMPARE(card.read(target), replaced && link == target ? content : oldContent);
        after.sort();
        after.removeDuplicates();
        QCOMPARE(card.snapshot(), after);
    }

    void refusalsLeaveTheCard_data()
    {
        QTest::addColumn<QStringList>("messages"); // after Save, Delete and closing the window
        const QString noFile = "Could not create file! Destination may be write protected!";
        const QString noList = "Could not create root directory listing! Your card may be write portected!";
        const QString noDel = "Could not delete Playlist Number 1! Your card may be write protected!";
        const QString noCard = "No card is chosen! Choose the volume of your card first.";
        const QStringList refused {Overwrite, noFile, noList, Delete1, noDel, noList},
            full {Overwrite, noFile, noList, Delete1, noList};
        // clang-format off
        QTest::newRow("too long") << QStringList { "Advanced Text length too long: 85", Delete1 };
        QTest::newRow("overwrite answered No") << QStringList { Overwrite, Delete1 };
        QTest::newRow("read-only") << refused;
        QTest::newRow("full") << full;
        for (const char *calls : {"open", "write", "fsync", "close", "rename"})
            QTest::addRow("%s fails", calls) << full;
        QTest::newRow("rename unlink fails") << refused;
        QTest::newRow("Programs is a link") << QStringList { noFile, noList, noDel, noList };
        QTest::newRow("no card: removed while running") << QStringList { noCard, noCard };
        QTest::newRow("no card: replaced while running") << QStringList { noCard, noCard };
        QTest::newRow("no card: unmounted while running") << QStringList { noCard, noCard };
        // clang-format on
    }

    void refusalsLeaveTheCard()
    {
        const QString how = QTest::currentDataTag();
        Session s;
        const bool mounted = how == "read-only" || how == "full" || how.contains("unmounted");
        if (mounted && !s.card.mountTmpfs(how == "full" ? how : "read-only"))
            QSKIP("mounting a tmpfs is not permitted here");
        s.card.addFiles({"A.mp3"});
        // As another tool wrote it: any save would differ. Behind a link, it lies outside the card.
        const bool linked = how == "Programs is a link";
        QVERIFY(s.card.write(linked ? "../outside/Program1.txt" : "Programs/Program1.txt", "A.mp3 V3"));
        QVERIFY(!linked || QFile::link("../outside", s.card.path("Programs")));
        s.window.drvCard->setEditText(s.card.root());
        s.window.txtName->setText("New");
        QVERIFY(QDir::setCurrent(s.card.path(".."))); // where a relative path would lead
        if (how == "too long")
            s.window.lstListAdv->item(0)->setText("A.mp3 V7 " + QString(76, u'1'));
        else if (how.endsWith("fails"))
            s.ops.failing = how.chopped(6).split(u' ');
        else if (how.contains("unmounted"))
            QVERIFY(s.card.unmount());
        else if (mounted)
            QVERIFY(s.card.spoil(how));
        else if (how.startsWith("no card"))
            QVERIFY(QDir(s.card.root()).removeRecursively()
                    && (how.contains("removed") || QDir().mkpath(s.card.root())));
        const QStringList before = s.files();
        // Yes to overwrite only where the card itself refuses, Yes to delete only where that fails too.
        const bool refused = how == "read-only" || how.contains("unlink");
        s.platform.answers << (mounted || how.endsWith("fails") ? Yes : No) << (refused ? Yes : No);
        s.window.cmdSave->click();
        s.window.cmdDelete->click();
        QCOMPARE(s.files(), before); // and no listing either
        QCOMPARE(s.window.lstList->count(), linked ? 0 : 1);
        s.window.close();
        QTEST(s.platform.shown, "messages");
        QVERIFY(!QFileInfo::exists("/Programs") && !QFileInfo::exists("Programs")); // no card root, no folder
    }
};

QTEST_MAIN(TestProgramStorage)
#include "tst_programstorage.moc"
