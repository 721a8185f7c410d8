#include "app/frmmain.h"
#include "support/helpers.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

// Save, Load and Delete of programs and the card listing, through the main window on real card folders.
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
        frmMain window { platform };
        // Playlist number and name, the playlist, its command strings.
        QString state() const
        {
            return window.txtList->text() + u' ' + window.txtName->text() + u'|' + rows(window.lstList).join(u';') + u'|'
                + rows(window.lstListAdv).join(u';');
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
        s.card.addFiles({ "Intro.mp3", "Song.mp3", "Coda.mp3", "notes.txt", "../x.mp3" });
        s.card.write("Coda.adv", "Coda.mp37V9");
        s.card.write("Programs/Program2.txt", "C.mp3\r\nSong.mp31V5\r\n../x.mp3 V7\r\nA.mp3\r\nend\r\nIntro.mp3 V3");
        s.card.write("Programs/Program2.adv", "Mixed\r\nsecond line");
        s.card.write("Programs/Program3.adv", "Stale");
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
        s.window.cmdUp->click();
        QCOMPARE(s.state(), "3 ||"); // no program: no name either
        s.window.cmdDown->click();
        s.window.cmdDown->click();
        QCOMPARE(s.state(), "1 Party Mix|Coda.mp3;Intro.mp3;Song.mp3|Coda.mp37V9;Intro.mp3 V7;Song.mp31V5 P30");
        s.window.lstListAdv->item(0)->setText("Coda.mp3 V1");
        s.platform.answers << Yes << No << Yes; // overwrite, then delete twice
        s.window.cmdSave->click();
        QCOMPARE(s.card.read("Programs/Program1.txt"), record("Coda.mp3 V1") + intro + song + "end");
        s.window.cmdDelete->click();
        s.window.cmdDelete->click();
        QCOMPARE(s.state(), "1 Party Mix||");
        QVERIFY(!QFile::exists(s.card.path("Programs/Program1.txt")) && QFile::exists(s.card.path("Programs/Program1.adv")));
        const QString omitted = "The following files were ommited since they were not found on your card!\n"
                                "C.mp3\n../x.mp3\nA.mp3";
        QCOMPARE(s.platform.shown, QStringList({ omitted, omitted, Overwrite, Delete1, Delete1 }));
    }

    void refusalsLeaveTheCard_data()
    {
        QTest::addColumn<QStringList>("messages"); // after Save, Delete and closing the window
        const QString noFile = "Could not create file! Destination may be write protected!";
        const QString noList = "Could not create root directory listing! Your card may be write portected!";
        const QString noDel = "Could not delete Playlist Number 1! Your card may be write protected!";
        const QString noCard = "No card is chosen! Choose the volume of your card first.";
        // clang-format off
        QTest::newRow("too long") << QStringList { "Advanced Text length too long: 85", Delete1 };
        QTest::newRow("overwrite answered No") << QStringList { Overwrite, Delete1 };
        QTest::newRow("read-only") << QStringList { Overwrite, noFile, noList, Delete1, noDel, noList };
        QTest::newRow("full") << QStringList { Overwrite, noFile, noList, Delete1, noList };
        QTest::newRow("no card: removed while running") << QStringList { noCard, noCard };
        // clang-format on
    }

    void refusalsLeaveTheCard()
    {
        QFETCH(QStringList, messages);
        const QByteArray how = QTest::currentDataTag();
        Session s;
        if ((how == "read-only" || how == "full") && !s.card.mountTmpfs(how == "full" ? 64 * 1024 : 1 << 20))
            QSKIP("mounting a tmpfs is not permitted here");
        s.card.addFiles({ "A.mp3" });
        s.card.write("Programs/Program1.txt", "A.mp3 V3"); // as another tool wrote it: any save would differ
        s.window.drvCard->setEditText(s.card.root());
        s.window.txtName->setText("New");
        QVERIFY(QDir::setCurrent(s.card.parentFolder())); // where a relative path would lead
        if (how == "too long")
            s.window.lstListAdv->item(0)->setText("A.mp3 V7 " + QString(76, u'1'));
        else if (how == "read-only")
            QVERIFY(s.card.makeReadOnly());
        else if (how == "full")
            s.card.fill();
        else if (how == "no card: removed while running")
            QVERIFY(QDir(s.card.root()).removeRecursively());
        const QStringList before = s.files();
        // Yes to overwrite only where the card itself refuses, Yes to delete only where that fails too.
        s.platform.answers << (how == "read-only" || how == "full" ? Yes : No) << (how == "read-only" ? Yes : No);
        s.window.cmdSave->click();
        s.window.cmdDelete->click();
        QCOMPARE(s.files(), before); // and no listing either
        QCOMPARE(s.window.lstList->count(), 1);
        s.window.close();
        QCOMPARE(s.platform.shown, messages);
        QVERIFY(!QFileInfo::exists("/Programs") && !QFileInfo::exists("Programs")); // no card root, no folder
    }
};

QTEST_MAIN(TestProgramStorage)
#include "tst_programstorage.moc"
