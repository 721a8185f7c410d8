#include "frmadv.h"
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
    static inline const QString Discard1 = QStringLiteral("Playlist 1 has changes that are not saved. Discard them?");

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
        s.card.write("Song.adv", "Song.mp31V5");
        s.card.write("Programs/Program2.txt", "C.mp3\r\nSong.mp31V5\r\n../x.mp3 V7\r\nA.mp3\r\nend\r\nIntro.mp3 V3");
        s.card.write("Programs/Program2.adv", "Mixed\r\nsecond line");
        s.card.write("Programs/Program0.adv", "Stale");
        s.card.write("Programs/Program9.txt", "Intro.mp3 V9");
        s.window.drvCard->setEditText(s.card.root());
        s.window.cmdAddAll->click();
        // Pasted text keeps its first line only: no record can be split in two, no name cut short.
        s.window.lstList->setCurrentRow(2);
        s.window.cmdListAdvanced->click();
        QGuiApplication::clipboard()->setText("30\r\nb.mp3 7V0 P1");
        frmAdv::existing()->txtPause(0)->paste();
        frmAdv::existing()->cmdSave->click();
        QGuiApplication::clipboard()->setText("Party\x01 Mix\nsecond line");
        s.window.txtName->paste();
        s.window.cmdSave->click();
        const QByteArray coda = record("Coda.mp37V9"), intro = record("Intro.mp3 V7"), song = record("Song.mp31V5 P30");
        QCOMPARE(s.card.read("Programs/Program1.txt"), coda + intro + song + "end");
        QCOMPARE(s.card.read("Programs/Program1.adv"), QByteArray("Party Mix"));
        QCOMPARE(s.card.read("Programs/RootDir.txt"), coda + intro + record("Song.mp31V5") + "end");
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
        // A folder without tracks or programs, chosen by mistake, gets no listing on close.
        QVERIFY(s.card.write("../home/notes.txt", "x"));
        s.window.drvCard->setEditText(s.card.path("../home"));
        s.window.close();
        QCOMPARE(s.card.snapshot().filter("home"), QStringList({"home", "home/notes.txt"}));
    }

    void replace_data()
    {
        // writeFileSafely alone (its failures run through the window below): the file there first, then
        // "Program1.txt" is replaced whole, or the folder stays exactly as it was.
        QTest::addColumn<QString>("old");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("replaces a longer file") << "Program1.txt" << true;
        QTest::newRow("replaces a link, not its target") << "Program1.txt>../outside.txt" << true;
        QTest::newRow("name is a folder") << "Program1.txt/inside.txt" << false;
    }

    void replace()
    {
        QFETCH(QString, old);
        QFETCH(bool, replaced);
        const QByteArray oldContent = "Song.mp31V5 P30" + QByteArray(64, ' ') + "\r\nend", content = "Intro.mp3 V7";
        TestCard card;
        const QString link = old.section(u'>', 0, 0), target = old.section(u'>', -1);
        QVERIFY(card.write(target, oldContent) && (link == target || QFile::link(target, card.path(link))));
        const Vexolo::Fd folder(::open(QFile::encodeName(card.root()).constData(), O_RDONLY | O_DIRECTORY));
        QString error;
        QCOMPARE(Vexolo::writeFileSafely(folder.get(), "Program1.txt", content, Vexolo::FileOps::system(), &error),
                 replaced);
        QCOMPARE(error.isEmpty(), replaced);
        QCOMPARE(card.read(link), replaced ? content : oldContent);
        QCOMPARE(card.read(target), replaced && link == target ? content : oldContent);
        QVERIFY(card.snapshot().filter(".vexolo-").isEmpty());
    }

    void unsavedChanges_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("answer"); // to the question; 0: none is asked
        for (const char *trigger : {"cmdLoad", "cmdDown", "cmdUp", "card", "close"}) {
            QTest::addRow("%s, nothing changed", trigger) << trigger << "" << 0;
            QTest::addRow("%s, undone to the loaded state", trigger) << trigger << "undone" << 0;
            QTest::addRow("%s, entries, No", trigger) << trigger << "entries" << No;
            QTest::addRow("%s, name, No", trigger) << trigger << "name" << No;
            QTest::addRow("%s, entries, Yes", trigger) << trigger << "entries" << Yes;
        }
    }

    void unsavedChanges()
    {
        QFETCH(QString, trigger);
        QFETCH(QString, change);
        QFETCH(int, answer);
        Session s;
        TestCard other;
        for (TestCard *card : {&s.card, &other}) {
            card->addFiles({"A.mp3", "B.mp3"});
            card->write("Programs/Program1.txt", record("A.mp3 V7") + "end");
            card->write("Programs/Program1.adv", card == &other ? "Other" : "One");
        }
        s.window.drvCard->setEditText(s.card.root());
        s.window.show();
        if (change == "entries" || change == "undone")
            s.window.cmdAddAll->click();
        if (change == "undone")
            s.window.history().undo();
        if (change == "name")
            s.window.txtName->setText("Changed");
        const QString changed = s.state();
        if (answer)
            s.platform.answers << answer;
        if (auto *button = s.window.findChild<QPushButton *>(trigger))
            button->click();
        else if (trigger == "card")
            s.window.drvCard->setEditText(other.root());
        else
            s.window.close();
        QCOMPARE(s.platform.shown, answer ? QStringList {Discard1} : QStringList {});
        QCOMPARE(s.platform.codes,
                 answer ? QList {PlatformAdapter::QuestionYesNo | PlatformAdapter::DefaultSecond} : QList<int> {});
        // clang-format off
        const QMap<QString, QString> goneOn {{"cmdLoad", "1 One|A.mp3|A.mp3 V7"}, {"cmdDown", "0 ||"}, {"cmdUp", "2 ||"},
                                             {"card", "1 Other|A.mp3|A.mp3 V7"}, {"close", changed}};
        // clang-format on
        QCOMPARE(s.state(), answer == No ? changed : goneOn[trigger]);
        QCOMPARE(s.window.isVisible(), trigger != "close" || answer == No);
        QCOMPARE(s.window.lstCard->count(), 2); // a card chosen is listed even when its program is not loaded
        QCOMPARE(s.window.hasUnsavedChanges(), answer == No);
    }

    void undoRedo_data()
    {
        QTest::addColumn<QStringList>("changed"); // the saved entries after the change; undone: the loaded ones
        QTest::addColumn<QStringList>("undone");
        const QStringList loaded {"A.mp3 V1", "B.mp3 V2", "C.mp3 V3"};
        // clang-format off
        QTest::newRow("add") << QStringList {"A.mp3 V1", "B.mp3 V2", "C.mp3 V3", "C.mp3 V7"} << loaded;
        QTest::newRow("add all") << loaded + QStringList {"A.mp3 V7", "B.mp3 V7", "C.mp3 V7"} << loaded;
        QTest::newRow("remove (Delete)") << QStringList {"A.mp3 V1", "C.mp3 V3"} << loaded;
        QTest::newRow("clear") << QStringList {} << loaded;
        QTest::newRow("move up") << QStringList {"B.mp3 V2", "A.mp3 V1", "C.mp3 V3"} << loaded;
        QTest::newRow("move down") << QStringList {"A.mp3 V1", "C.mp3 V3", "B.mp3 V2"} << loaded;
        QTest::newRow("drag") << QStringList {"B.mp3 V2", "C.mp3 V3", "A.mp3 V1"} << loaded;
        QTest::newRow("advanced") << QStringList {"A.mp3 V1", "B.mp3 V3", "C.mp3 V3"} << loaded;
        QTest::newRow("paste (Ctrl+C, Ctrl+V)") << QStringList {"A.mp3 V1", "B.mp3 V2", "C.mp3 V1"} << loaded;
        QTest::newRow("load over changes") << loaded << QStringList {};
        QTest::newRow("delete") << QStringList {} << loaded;
        // clang-format on
    }

    void undoRedo()
    {
        QFETCH(QStringList, changed);
        QFETCH(QStringList, undone);
        const QByteArray how = QTest::currentDataTag();
        Session s;
        s.card.addFiles({"A.mp3", "B.mp3", "C.mp3"});
        s.card.write("Programs/Program1.txt", "A.mp3 V1\r\nB.mp3 V2\r\nC.mp3 V3\r\nend");
        s.window.drvCard->setEditText(s.card.root());
        s.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&s.window));
        QListWidget *list = s.window.lstList;
        list->setFocus();
        list->setCurrentRow(1);
        const auto key = [&s](int code, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
            QTest::keyClick(s.window.focusWidget(), Qt::Key(code), modifiers);
        };
        if (how == "add")
            s.window.lstCard->setCurrentRow(2), s.window.cmdAdd->click();
        else if (how == "add all")
            s.window.cmdAddAll->click();
        else if (how == "remove (Delete)")
            key(Qt::Key_Delete, {});
        else if (how == "clear" || how == "load over changes")
            s.window.cmdClear->click();
        else if (how == "move up" || how == "move down")
            (how == "move up" ? s.window.cmdMoveUp : s.window.cmdMoveDown)->click();
        else if (how == "drag")
            QVERIFY(list->model()->moveRow(QModelIndex(), 0, QModelIndex(), 3));
        else if (how == "advanced")
            s.window.cmdListAdvanced->click(), frmAdv::existing()->cmdPlus->click(),
                frmAdv::existing()->cmdSave->click();
        else if (how == "paste (Ctrl+C, Ctrl+V)")
            list->setCurrentRow(0), key(Qt::Key_C), list->setCurrentRow(2), key(Qt::Key_V);
        if (how == "load over changes" || how == "delete")
            s.platform.answers << Yes, (how == "delete" ? s.window.cmdDelete : s.window.cmdLoad)->click();
        const auto saved = [&s](const QStringList &strings) {
            QByteArray bytes;
            for (const QString &string : strings)
                bytes += record(string.toLatin1());
            if (QFileInfo::exists(s.card.path("Programs/Program1.txt")))
                s.platform.answers << Yes; // overwrite
            QTest::keyClick(s.window.focusWidget(), Qt::Key_S, Qt::ControlModifier);
            return s.card.read("Programs/Program1.txt") == bytes + "end" && !s.window.hasUnsavedChanges();
        };
        QVERIFY(s.window.hasUnsavedChanges() != (how == "load over changes" || how == "delete"));
        QVERIFY(saved(changed));
        key(Qt::Key_Z);
        QVERIFY(s.window.hasUnsavedChanges() && saved(undone));
        const bool shiftZ = how.size() % 2; // both redo keys, each in some rows; past the end they do nothing
        key(shiftZ ? Qt::Key_Z : Qt::Key_Y, shiftZ ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
        QVERIFY(s.window.hasUnsavedChanges() && saved(changed));
        key(shiftZ ? Qt::Key_Y : Qt::Key_Z, shiftZ ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!s.window.hasUnsavedChanges() && s.platform.answers.isEmpty());
        s.window.txtName->setFocus(); // a text field keeps its own undo
        QTest::keyClicks(s.window.txtName, "ab");
        key(Qt::Key_Z);
        QVERIFY(s.window.txtName->text() != "ab" && s.window.history().index() == s.window.history().count());
    }

    void refusalsLeaveTheCard_data()
    {
        QTest::addColumn<QStringList>("messages"); // after Save, Delete and closing the window
        const QString noFile = "Could not create file! Destination may be write protected!";
        const QString noList = "Could not create root directory listing! Your card may be write portected!";
        const QString noDel = "Could not delete Playlist Number 1! Your card may be write protected!";
        const QString noCard = "No card is chosen! Choose the volume of your card first.";
        const QString noAdv = "Could not write to file: [A.adv]"; // the advanced window's Save for a card track
        // A failed save leaves the changes unsaved: closing asks.
        const QStringList refused {Overwrite, noFile, noList, Delete1, noDel, noAdv, Discard1, noList};
        const QStringList full {Overwrite, noFile, noList, Delete1, noAdv, Discard1, noList};
        // clang-format off
        QTest::newRow("too long") << QStringList { "Advanced Text length too long: 85", Delete1, Discard1 };
        QTest::newRow("overwrite answered No") << QStringList { Overwrite, Delete1, Discard1 };
        QTest::newRow("read-only") << refused;
        QTest::newRow("full") << full;
        for (const char *calls : {"open", "write", "fsync", "close", "rename"})
            QTest::addRow("%s fails", calls) << full;
        QTest::newRow("rename unlink fails") << refused;
        QTest::newRow("Programs is a link") << QStringList { noFile, noList, noDel, Discard1, noList };
        QTest::newRow("no card: removed while running") << QStringList { noCard, noCard, noCard, Discard1 };
        QTest::newRow("no card: replaced while running") << QStringList { noCard, noCard, noCard, Discard1 };
        QTest::newRow("no card: unmounted while running") << QStringList { noCard, noCard, noCard, Discard1 };
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
        if (!linked) // behind a link there is no program to overwrite or delete
            s.platform.answers << (mounted || how.endsWith("fails") ? Yes : No) << (refused ? Yes : No);
        s.platform.answers << Yes; // to drop the unsaved name on close
        s.window.cmdSave->click();
        s.window.cmdDelete->click();
        QCOMPARE(s.files(), before); // and no listing either
        QCOMPARE(s.window.lstList->count(), linked ? 0 : 1);
        s.window.lstCard->setCurrentRow(0);
        s.window.cmdCardAdvanced->click();
        frmAdv::existing()->cmdSave->click();
        s.window.close();
        QTEST(s.platform.shown, "messages");
        QVERIFY(!QFileInfo::exists("/Programs") && !QFileInfo::exists("Programs")); // no card root, no folder
    }

    void hostileCardIsReadSafely()
    {
        // FIFOs, a link to /dev/zero, huge files without a line end: each is a file that cannot be read, and the
        // program answers (CTest's timeout catches a hang). Leftovers of a killed save go, a running writer's stay.
        Session s;
        s.card.addFiles({"A.mp3", "F.mp3", "S.mp3", "Z.mp3", "Ctl\x01.mp3"});
        QString programs;
        for (int i = 0; i < 25; ++i)
            programs += QStringLiteral("M%1.mp3 V7\r\n").arg(i);
        QVERIFY(s.card.write("Programs/Program2.txt", programs.toLatin1() + "A.mp3 V1\r\nend"));
        for (const char *fifo : {"F.adv", "Programs/Program1.txt", "Programs/Program2.adv"})
            QCOMPARE(QProcess::execute("mkfifo", {s.card.path(fifo)}), 0);
        QVERIFY(QFile::link("/dev/zero", s.card.path("Z.adv")));
        for (const auto &[sparse, size] : {std::pair("S.adv", 300 << 20), std::pair("Programs/Program3.txt", 9 << 20)})
            QVERIFY(s.card.write(sparse, {}) && QFile(s.card.path(sparse)).resize(size));
        // No process id is above 4194304; the test's parent runs.
        const QString leftover = "Programs/.vexolo-4194305-1.tmp";
        const QString atWork = QStringLiteral("Programs/.vexolo-%1-2.tmp").arg(::getppid());
        QVERIFY(s.card.write(leftover, "x") && s.card.write(atWork, "y"));
        s.window.drvCard->setEditText(s.card.root());
        QCOMPARE(frmMain::rowTexts(s.window.lstCard), QStringList({"A.mp3", "F.mp3", "S.mp3", "Z.mp3"}));
        s.window.cmdUp->click();
        QCOMPARE(s.state(), "2 |A.mp3|A.mp3 V1");
        s.window.cmdUp->click();
        s.platform.answers << Yes;
        s.window.cmdSave->click();
        QCOMPARE(s.card.read("Programs/Program3.txt"), "end");
        QCOMPARE(s.card.read("Programs/RootDir.txt"),
                 record("A.mp3 V7") + record("F.mp3 V7") + record("S.mp3 V7") + record("Z.mp3 V7") + "end");
        QVERIFY(!QFileInfo::exists(s.card.path(leftover)) && QFileInfo::exists(s.card.path(atWork)));
        QStringList omitted {"The following files were ommited since they were not found on your card!"};
        for (int i = 0; i < 20; ++i)
            omitted.append(QStringLiteral("M%1.mp3").arg(i));
        const QString unreadable = "Could not read from file: ";
        QCOMPARE(s.platform.shown.join(u'|'),
                 unreadable + "Program1.txt|" + omitted.join(u'\n') + "\nand 5 more|" + unreadable + "Program2.adv|"
                     + unreadable + "Program3.txt|" + Overwrite + u'|' + unreadable + "F.adv\nS.adv\nZ.adv");
    }
};

QTEST_MAIN(TestProgramStorage)
#include "tst_programstorage.moc"
