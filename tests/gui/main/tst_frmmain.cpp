#include "advanced/frmadv.h"
#include "fleet/findingswindow.h"
#include "fleet/fleet.h"
#include "fleet/fleetwindows.h"
#include "main/frmmain.h"
#include "main/volumeselector.h"
#include "show/timelinewindow.h"
#include "support/failingfileops.h"
#include "support/helpers.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"
#include "support/windows.h"
#include "widgets/cardcalls.h"
#include "widgets/noticetext.h"

#include <QtTest>
#include <QtWidgets>

using namespace Vexolo;
using namespace Vexolo::Ui;
using enum PlatformAdapter::Answer;

// What the main window adds to the card store and the document: its questions and messages in
// order, undo across programs, the advanced window's target, no handler inside card work, its keys.

class TestFrmMain : public QObject
{
    Q_OBJECT

    ScriptedPlatform m_platform;
    std::unique_ptr<TestCard> m_card;
    std::unique_ptr<FailingFileOps> m_ops;
    std::unique_ptr<frmMain> m_window;

    template<typename Control = QPushButton> Control *find(const char *name)
    {
        return control<Control>(m_window.get(), name);
    }
    void click(const char *name)
    {
        QTest::mouseClick(find(name), Qt::LeftButton);
        QVERIFY(settled());
    }
    QComboBox *drvCard() { return find<QComboBox>("drvCard"); }
    QStringList listed(const char *list) const { return shownRows(m_window.get(), list); }
    void select(const char *list, int row)
    {
        auto *view = find<QListView>(list);
        view->setCurrentIndex(view->model()->index(row, 0));
    }
    // What the card's wait window says; empty while it does not show.
    QString waitText() const
    {
        const QWidget *wait = m_window->cardCalls().waitWindow();
        return wait ? control<QLabel>(wait, "lblWait")->text() : QString();
    }
    void closeWindow()
    {
        m_window->close();
        QTRY_VERIFY(!m_window->isVisible());
    }
    void forget()
    {
        QTest::mouseClick(control<QPushButton>(m_window->cardCalls().waitWindow(), "cmdForget"), Qt::LeftButton);
    }
    // Adds the card's track at row to the playlist, as ">" does.
    void add(int row)
    {
        select("lstCard", row);
        click("cmdAdd");
    }
    // Presses keys ("Ctrl+Z", "Shift+F10") on a control that has the focus.
    void key(const QString &keys, const char *on = "lstList")
    {
        find<QWidget>(on)->setFocus();
        QTest::keySequence(find<QWidget>(on), QKeySequence(keys));
        QVERIFY(settled());
    }
    void keyOn(const char *list, int row, const QString &keys)
    {
        select(list, row);
        key(keys, list);
    }
    // Chooses an entry of a list's context menu as a click would: a disabled entry does nothing.
    void menuChoice(const char *list, const QString &entry)
    {
        QTimer::singleShot(0, [entry] {
            for (QAction *action : QApplication::activePopupWidget()->actions())
                if (action->text() == entry)
                    action->trigger();
            QApplication::activePopupWidget()->close();
        });
        Q_EMIT find<QListView>(list)->customContextMenuRequested({});
        QApplication::setActiveWindow(m_window.get()); // the menu took it: the keys of the lists need it
        QVERIFY(settled());
    }

private Q_SLOTS:
    void init()
    {
        m_card = std::make_unique<TestCard>();
        m_card->addFiles({"A.mp3", "B.mp3", "C.mp3"});
        m_card->write("B.adv", "B.mp31V5 P30");
        m_card->write("Programs/Program1.txt", record("A.mp3 V7") + record("B.mp31V5 P30") + "end");
        m_card->write("Programs/Program1.adv", "One");
        m_card->write("Programs/Program2.txt", record("C.mp3 V7") + "end");
        m_platform = {};
        m_platform.volumeList = {m_card->root()};
        m_ops = std::make_unique<FailingFileOps>();
        m_window = std::make_unique<frmMain>(m_platform, *m_ops);
        for (const char *list : {"lstCard", "lstList", "lstListAdv"})
            new QAbstractItemModelTester(find<QListView>(list)->model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest, m_window.get());
        QPalette palette; // a list the keys do not act on shows its selection gray
        palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::gray);
        m_window->setPalette(palette);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        drvCard()->setCurrentIndex(0); // the card, as listed on opening
        QVERIFY(settled());
    }

    void cleanup()
    {
        setCardAnswerLimit(std::chrono::milliseconds(4000));
        m_ops->answerAgain(); // a worker left waiting on the card ends before the calls it waits in go
        QTRY_VERIFY(!CardSession::instance().working());
        QVERIFY(settled());
        QVERIFY(m_platform.answers.isEmpty());
        m_window.reset();
    }

    void undoAcrossPrograms()
    {
        QCOMPARE(frmMain::instance(), m_window.get()); // the window open, not a second one
        // An entry's tip (its name, its own settings in words) and its mark, on the advanced list too.
        const QModelIndex second = find<QListView>("lstListAdv")->model()->index(1, 0);
        QVERIFY(second.data(Qt::ToolTipRole).isValid() && second.data(PlaylistDocument::OwnSettingsRole).toBool());
        add(2);
        m_platform.answers << AnswerDiscard << AnswerYes << AnswerYes;
        click("cmdUp");
        QCOMPARE(listed("lstList"), QStringList {"C.mp3"});
        QTest::keyClicks(find<QLineEdit>("txtList"), "5"); // chosen, not typed
        QCOMPARE(find<QLineEdit>("txtList")->text() + find<QLineEdit>("txtName")->text(), "2");
        key("Ctrl+Z", "txtList"); // a field's key, not the playlist's
        QCOMPARE(listed("lstList"), QStringList {"C.mp3"});
        key("Ctrl+Z");
        QCOMPARE(find<QLineEdit>("txtList")->text() + find<QLineEdit>("txtName")->text(), "1One");
        QCOMPARE(listed("lstList"), QStringList({"A.mp3", "B.mp3", "C.mp3"}));
        key("Ctrl+S");
        QCOMPARE(m_card->read("Programs/Program2.txt"), record("C.mp3 V7") + "end");
        QCOMPARE(m_card->read("Programs/Program1.txt"),
                 record("A.mp3 V7") + record("B.mp31V5 P30") + record("C.mp3 V7") + "end");
        auto *programs = m_window->findChild<ProgramList *>();
        programs->popUp(); // the programs list follows a Delete as it does a Save
        click("cmdDelete");
        QCOMPARE(programs->model()->index(1, 0).data().toString() + listed("lstList").join(""), "1  (no program)");
        programs->hide();
        key("Ctrl+Z"); // the deleted entries come back, to be saved again
        QCOMPARE(listed("lstListAdv").size(), 3);
        QCOMPARE(m_platform.shown,
                 QStringList({"Playlist 1 has changes that are not saved.", "This Playlist already exists! Overwrite?",
                              "Are you sure you want to delete Playlist Number 1?"}));
        m_platform.answers << AnswerCancel;
        key("Ctrl+Q"); // quits, after the same question
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_platform.shown.size(), 4);
    }

    // Each button and key does what it says, and undo and redo restore exactly. Clicks: a button, "list:N"
    // chooses row N of a list, "list:key" presses a key on it.
    void editing_data()
    {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QStringList>("entries");
        const QString a = "A.mp3 V7", b = "B.mp31V5 P30", c = "C.mp3 V7";
        // clang-format off
        QTest::newRow("add the chosen track") << "lstCard:2 cmdAdd" << QStringList {a, b, c};
        QTest::newRow("add all") << "cmdAddAll" << QStringList {a, b, a, b, c};
        QTest::newRow("Return on a track adds it") << "lstCard:0 lstCard:Return" << QStringList {a, b, a};
        QTest::newRow("remove the chosen entry") << "lstList:0 cmdRemove cmdRemove" << QStringList {b};
        QTest::newRow("Delete on an entry") << "lstList:1 lstList:Delete" << QStringList {a};
        QTest::newRow("Delete on a track") << "lstCard:0 lstCard:Delete" << QStringList {a, b};
        QTest::newRow("clear") << "cmdClear cmdClear" << QStringList {};
        QTest::newRow("down to the end")
            << "lstCard:2 cmdAdd lstList:0 cmdMoveDown cmdMoveDown cmdMoveDown" << QStringList {b, c, a};
        QTest::newRow("up to the top")
            << "lstCard:2 cmdAdd lstList:2 cmdMoveUp cmdMoveUp cmdMoveUp" << QStringList {c, a, b};
        QTest::newRow("two entries moved: two steps")
            << "lstCard:2 cmdAdd lstList:0 cmdMoveDown lstList:2 cmdMoveUp" << QStringList {b, c, a};
        QTest::newRow("none chosen") << "cmdAdd cmdRemove cmdMoveDown cmdMoveUp" << QStringList {a, b};
        QTest::newRow("Delete, Delete removes two")
            << "lstCard:2 cmdAdd lstList:0 lstList:Delete lstList:Delete" << QStringList {c};
        QTest::newRow("Delete on the last entry, then on the one before")
            << "lstList:1 lstList:Delete lstList:Delete" << QStringList {};
        QTest::newRow("Return on the current track, never clicked")
            << "lstCard:~2 lstCard:Return" << QStringList {a, b, c};
        QTest::newRow("Delete on the current entry, never clicked") << "lstList:~0 lstList:Delete" << QStringList {b};
        QTest::newRow("Alt+Down, Alt+Down, Alt+Up")
            << "lstCard:2 cmdAdd lstList:0 lstList:Alt+Down lstList:Alt+Down lstList:Alt+Up" << QStringList {b, a, c};
        // clang-format on
    }

    void editing()
    {
        QFETCH(QString, clicks);
        const QStringList start = listed("lstListAdv");
        for (const QString &click : clicks.split(' ')) {
            const QStringList at = click.split(':');
            bool isRow = false;
            const int row = at.last().toInt(&isRow);
            if (at.size() == 1)
                this->click(qPrintable(click));
            else if (isRow)
                select(qPrintable(at.first()), row);
            else if (at.last().startsWith('~')) { // the current row, not selected
                auto *view = find<QListView>(qPrintable(at.first()));
                view->selectionModel()->setCurrentIndex(view->model()->index(at.last().mid(1).toInt(), 0),
                                                        QItemSelectionModel::Clear);
            } else {
                key(at.last(), qPrintable(at.first()));
            }
        }
        QTEST(listed("lstListAdv"), "entries");
        const int steps = int(m_window->history().count());
        for (int step = 0; step < steps; ++step)
            key("Ctrl+Z");
        QCOMPARE(listed("lstListAdv"), start);
        for (int step = 0; step < steps; ++step)
            key("Ctrl+Y");
        QTEST(listed("lstListAdv"), "entries");
    }

    // Drags: "card:R>list:Y" drags the card list's row R onto the playlist at height Y (in rows); "a,b>card" or
    // "a,b>list:Y" drops files from the computer (a file's bytes are its name) onto a list.
    void drops_data()
    {
        QTest::addColumn<QString>("drag");
        QTest::addColumn<QString>("answers"); // y and n, in order, for the questions asked
        QTest::addColumn<QString>("failing"); // the card's calls that fail
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("card"); // the tracks listed; B.mp3's bytes
        QTest::addColumn<QStringList>("told");
        const QString a = "A.mp3 V7", b = "B.mp31V5 P30", c = "C.mp3 V7", n = "New.mp3 V7";
        const QString abc = "A.mp3 B.mp3 C.mp3 ", replace = "The card already has a track named B.mp3. Replace it?";
        // clang-format off
        QTest::newRow("a track between two entries") << "card:2>list:0.6" << "" << "" << QStringList {a, c, b}
            << abc << QStringList();
        QTest::newRow("a track below the last entry") << "card:0>list:5" << "" << "" << QStringList {a, b, a}
            << abc << QStringList();
        QTest::newRow("files onto the card list") << "New.mp3,notes.txt>card" << "" << "" << QStringList {a, b}
            << abc + "New.mp3 " << QStringList {"Only MP3 tracks go onto the card; these were not copied:\nnotes.txt"};
        QTest::newRow("a file onto the playlist's top") << "New.mp3>list:0.2" << "" << "" << QStringList {n, a, b}
            << abc + "New.mp3 " << QStringList();
        QTest::newRow("a track replaced") << "New.mp3,B.mp3>list:3" << "y" << "" << QStringList {a, b, n, b}
            << abc + "New.mp3 B.mp3" << QStringList {replace};
        QTest::newRow("a track kept") << "B.mp3>card" << "n" << "" << QStringList {a, b} << abc
            << QStringList {replace};
        QTest::newRow("two tracks replaced, asked once") << "B.mp3,C.mp3>card" << "y" << "" << QStringList {a, b}
            << abc + "B.mp3"
            << QStringList {"The card already has tracks of these names:\nB.mp3\nC.mp3\nReplace them?"};
        QTest::newRow("21 of the card's names: 20 named")
            << "B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,B.mp3,"
               "B.mp3,B.mp3,B.mp3,B.mp3,B.mp3>card" << "n" << ""
            << QStringList {a, b} << abc << QStringList {"The card already has tracks of these names:\n"
            + QString("B.mp3\n").repeated(20) + "…\nReplace them?"};
        QTest::newRow("another card's tracks: its own only") << "other>list:5" << "" << "" << QStringList {a, b, c}
            << abc << QStringList();
        QTest::newRow("the card swapped during the question") << "B.mp3>card" << "y" << "swap" << QStringList {a, b}
            << abc << QStringList {replace, NoCardMessage + "\nThe card was removed."};
        QTest::newRow("the card takes nothing") << "New.mp3>list:3" << "" << "write" << QStringList {a, b} << abc
            << QStringList {"Could not copy the track onto the card: New.mp3"};
        // clang-format on
    }

    void drops()
    {
        QFETCH(QString, drag);
        QFETCH(QString, answers);
        QFETCH(QString, failing);
        m_ops->fail(failing);
        if (failing == "swap") // another card in the reader, its folder at the same place
            m_platform.whileShown
                = [this] { QDir().rename(*m_card, m_card->path("../old")), m_card->addFiles({"D.mp3"}); };
        for (const QChar answer : answers)
            m_platform.answers << (answer == u'y' ? AnswerYes : AnswerNo);
        QTemporaryDir computer;
        auto *list = find<QListView>(drag.endsWith("card") ? "lstCard" : "lstList");
        auto *cardList = find<QListView>("lstCard");
        std::unique_ptr<QMimeData> data(new QMimeData);
        CardTracks other; // another window's card list
        other.setTracks({"Other.mp3", "C.mp3"});
        if (drag.startsWith("card:"))
            data.reset(cardList->model()->mimeData({cardList->model()->index(drag.mid(5, 1).toInt(), 0)}));
        else if (drag.startsWith("other"))
            data.reset(other.mimeData({other.index(0), other.index(1)}));
        QList<QUrl> urls;
        for (const QString &file : drag.section(u'>', 0, 0).split(u',', Qt::SkipEmptyParts)) {
            QVERIFY(TestCard::writeTo(computer.filePath(file), TestCard::mp3(file.toUtf8())));
            urls.append(QUrl::fromLocalFile(computer.filePath(file)));
        }
        if (data->formats().isEmpty())
            data->setUrls(urls);
        const QRect first = list->visualRect(list->model()->index(0, 0));
        const QPoint at(first.center().x(), int(first.top() + first.height() * drag.section(u':', -1).toDouble()));
        QVERIFY(list->viewport()->acceptDrops()); // else the desktop delivers it no drag at all
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(list->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(list->viewport(), &drop);
        QVERIFY(settled());
        QTEST(listed("lstListAdv"), "entries");
        QTEST(listed("lstCard").join(u' ') + u' ' + m_card->read("B.mp3").replace(TestCard::mp3(), ""), "card");
        QTEST(m_platform.shown, "told");
        QSet<quint64> ids; // each a new entry of its own
        for (int row = 0; row < m_window->playlist().count(); ++row)
            ids.insert(m_window->playlist().at(row).id);
        QCOMPARE(ids.size(), m_window->playlist().count());
        key("Ctrl+Z"); // one step takes the entries out again; the card keeps its tracks
        QCOMPARE(listed("lstListAdv"), QStringList({"A.mp3 V7", "B.mp31V5 P30"}));
    }

    // A track whose name leaves no room for settings is marked and told of once; a track's command file, written,
    // marks it.
    void marksAndLongNames()
    {
        QStringList longNames; // more than a message names
        for (char16_t last = u'a'; last <= u'l'; ++last)
            longNames << QString(72, u'L') + last + ".mp3";
        m_card->addFiles(longNames);
        m_window->chooseCardFolder(*m_card);
        QVERIFY(settled());
        const auto marked = [this](int role) {
            QString marks;
            for (int row = 0; row < 4; ++row)
                marks += find<QListView>("lstCard")->model()->index(row, 0).data(role).toBool() ? "x" : "-";
            return marks;
        };
        QCOMPARE(marked(CardTracks::OwnSettingsRole) + marked(CardTracks::TooLongRole), "-x-----x");
        keyOn("lstCard", 1, "Ctrl+C");
        m_platform.answers << AnswerYes;
        keyOn("lstCard", 2, "Ctrl+V");
        QCOMPARE(marked(CardTracks::OwnSettingsRole), "-xx-");
        for (const int row : {3, 2, 3})
            add(row);
        click("cmdAddAll");
        QCOMPARE(m_platform.shown.size(), 3);
        QVERIFY(m_platform.shown[1].contains("\n" + longNames[0] + "\n"));
        QCOMPARE(m_platform.shown[2].count(".mp3"), 10);
    }

    // A double click on a finding of the card check opens the advanced window of its track or entry (the program
    // loaded first; a record whose track is gone holds no entry).
    void findingsGoToTheirPlace()
    {
        m_card->write("Programs/Program2.txt", record("Gone.mp3 V7") + record("C.mp3 V7 Q") + "end");
        m_card->write("A.adv", "A.mp3 V7 Q");
        m_card->write("C.adv", "A.mp3 V7"); // with a repair, whose cell a double click leaves to the repair
        m_window->checkCard();
        QVERIFY(settled());
        auto *check = m_window->findChild<FindingsWindow *>();
        QStringList opened;
        for (const QString place : {"Programs/Program2.txt, record 2", "A.adv", "Programs/RootDir.txt", "C.adv:2"}) {
            const QAbstractItemModel *rows = check->lstFindings->model();
            for (int row = 0; row < rows->rowCount(); ++row) {
                if (rows->index(row, 0).data().toString().startsWith(place.section(u':', 0, 0)))
                    Q_EMIT check->lstFindings->doubleClicked(rows->index(row, place.section(u':', 1).toInt()));
            }
            QVERIFY(settled());
            opened << (frmAdv::existing() ? frmAdv::existing()->lblName->text() : "-");
            if (frmAdv::existing())
                frmAdv::existing()->close();
        }
        QCOMPARE(opened.join(u' ') + find<QLineEdit>("txtList")->text(), "C.mp3 A.mp3 - -2");
        QCOMPARE(m_platform.shown.size(), 1); // Gone.mp3 left out, as Load says
    }

    // What the user is told, what is left on the card and what the playlist holds when the card's calls fail
    // as the playlist (C added, named "Two") is saved, deleted or loaded again, a card track's settings are saved
    // and the window is closed.
    void cardCallsFail_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("failing"); // the call, from which of them on, and the error when not EIO
        QTest::addColumn<QString>("shown"); // the messages, between "|"
        QTest::addColumn<QString>("changed"); // the card's files no longer what they were, between "|"
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("unsaved");
        QTest::addColumn<QString>("word"); // said after the write, under the buttons
        const int yes = AnswerYes, discard = AnswerDiscard;
        const QString overwrite = "This Playlist already exists! Overwrite?";
        const QString notCreated = "Could not create file! Destination may be write protected!";
        const QString noListing = "Could not create root directory listing! Your card may be write portected!";
        const QString deleting = "Are you sure you want to delete Playlist Number 1?";
        const QString changes = "Playlist 1 has changes that are not saved.";
        // clang-format off
        QTest::newRow("save") << "cmdSave" << yes << "" << overwrite
            << "card/Programs/Program1.adv|card/Programs/Program1.txt|card/Programs/RootDir.txt" << 3 << false
            << "Program 1 saved on card";
        for (const char *failing : {"open 1", "write 1", "rename 1"})
            QTest::addRow("save, %s fails", failing) << "cmdSave" << yes << failing
                << overwrite + '|' + notCreated + '|' + noListing << "" << 3 << true << "";
        // The cause named where the system tells it (full and write-protected cards: on real mounts).
        const QList<std::pair<QString, QString>> causes {{"open 1 20", "Programs is no folder of the card."}, // ENOTDIR
                                                         {"write 1 19", "The card was removed."}}; // ENODEV
        for (const auto &[failing, cause] : causes)
            QTest::addRow("save, %s", qPrintable(cause)) << "cmdSave" << yes << failing
                << overwrite + '|' + notCreated + '\n' + cause + '|' + noListing + '\n' + cause << "" << 3 << true
                << "";
        QTest::newRow("save, the name fails") << "cmdSave" << yes << "rename 2" << overwrite + '|' + noListing
            << "card/Programs/Program1.txt" << 3 << true << "";
        QTest::newRow("delete") << "cmdDelete" << yes << "" << deleting
            << "card/Programs/Program1.txt" << 0 << false << "Program 1 deleted from card";
        QTest::newRow("delete fails") << "cmdDelete" << yes << "unlink 1"
            << deleting + "|Could not delete Playlist Number 1! Your card may be write protected!" << "" << 3 << true
            << "";
        QTest::newRow("load fails") << "cmdLoad" << discard << "read 2 " + QString::number(EFBIG) << changes
            + "|Could not read from file: Program1.txt\nPrograms/Program1.txt is larger than the program reads."
            << "" << 0 << false << "";
        QTest::newRow("track") << "cmdCardAdvanced" << 0 << "" << "" << "card/A.adv" << 3 << true
            << "Settings of A.mp3 saved on card";
        QTest::newRow("track, a link in its place") << "cmdCardAdvanced" << 0 << "open 1 40"
            << "Could not write to file: [A.adv]\nA.adv is a link, which is not followed." << "" << 3 << true << "";
        QTest::newRow("close, the listing fails") << "close" << discard << "open 1" << changes + '|' + noListing
            << "" << 3 << true << "";
        // clang-format on
    }

    void cardCallsFail()
    {
        QFETCH(QString, action);
        QFETCH(int, answer);
        QFETCH(QString, failing);
        add(2);
        find<QLineEdit>("txtName")->setText("Two");
        select("lstCard", 0);
        const QStringList before = m_card->snapshot(true);
        m_ops->fail(failing);
        if (answer)
            m_platform.answers << answer;
        if (action == "close") {
            closeWindow();
        } else {
            click(qPrintable(action));
        }
        if (frmAdv *window = frmAdv::existing())
            window->cmdSave->click();
        QVERIFY(settled());
        QTEST(m_platform.shown.join('|'), "shown");
        const auto *word = find<QLabel>("lblWritten");
        QTEST(word->isVisible() ? word->toolTip() : QString(), "word");
        // The warning's icon exactly where the card may be write protected.
        QCOMPARE(m_platform.codes.contains(PlatformAdapter::Caution), m_platform.shown.join(u'|').contains("write p"));
        const QStringList after = m_card->snapshot(true);
        QMap<QString, int> changed;
        for (const QString &entry : before + after)
            if (!before.contains(entry) || !after.contains(entry))
                changed[entry.section(u'=', 0, 0)];
        QTEST(changed.keys().join('|'), "changed");
        QTEST(m_window->playlist().count(), "entries");
        QTEST(m_window->playlist().isModified(), "unsaved");
    }

    // A Save whose history cannot be kept is on the card all the same: the word after it says both.
    void historyNotKept()
    {
        FleetJournal journal("/dev/null/fleet.git");
        CardStore::setDefaultJournal(&journal);
        m_platform.answers << AnswerYes; // overwrite
        click("cmdSave");
        QVERIFY(settled());
        CardStore::setDefaultJournal(nullptr);
        const QString word = find<QLabel>("lblWritten")->toolTip();
        QVERIFY2(word.startsWith("Program 1 saved on card \u2014 its history could not be kept: ")
                     && word.contains("/dev/null/fleet.git"),
                 qPrintable(word));
    }

    void advancedTargetOnAnotherCard()
    {
        TestCard other({"C.mp3"});
        other.write("C.adv", "C.mp3 V3");
        click("cmdListAdvanced");
        click("cmdCardAdvanced");
        QVERIFY(!frmAdv::existing()); // nothing selected
        select("lstCard", 2);
        click("cmdCardAdvanced");
        drvCard()->setEditText(other.root());
        QVERIFY(settled());
        frmAdv::existing()->cmdSave->click();
        QVERIFY(settled());
        QCOMPARE(m_platform.shown, QStringList {"Could not write to file: [C.adv]"});
        QCOMPARE(other.read("C.adv"), "C.mp3 V3");
        QVERIFY(!QFile::exists(m_card->path("C.adv")));
    }

    // The advanced window edits the entry it was opened for wherever that entry moves, the one just added too.
    void advancedFollowsItsEntry()
    {
        add(2);
        select("lstList", 2);
        click("cmdListAdvanced");
        QPointer<frmAdv> window = frmAdv::existing();
        QVERIFY(window->isWindow() && window->parentWidget() == m_window.get());
        click("cmdMoveUp");
        click("cmdMoveUp");
        QCOMPARE(m_window->history().count(), 2); // the moves of one entry are one step
        key("Return"); // the entry's settings again: the same window
        QCOMPARE(frmAdv::existing(), window);
        QTest::mouseClick(window->cmdPlus, Qt::LeftButton);
        window->cmdSave->click();
        QCOMPARE(listed("lstListAdv"), QStringList({"C.mp3 V8", "A.mp3 V7", "B.mp31V5 P30"}));
        select("lstList", 0);
        click("cmdListAdvanced");
        click("cmdRemove");
        frmAdv::existing()->cmdSave->click();
        QCOMPARE(m_platform.shown, QStringList {"workingIndex < listcount"});
        select("lstCard", 1);
        m_window->showTimeline(find<QListView>("lstCard"));
        QVERIFY(settled());
        QCOMPARE(frmAdv::existing()->lblName->text(), "B.mp3");
        QVERIFY(frmAdv::existing()->findChild<TimelineWindow *>()->isVisible());
    }

    // A card that stops answering while chosen holds no window: after a second the wait says what waits, past the
    // limit that the card does not answer; meanwhile a key reaches a field. Forget lets the card go, a close
    // closes, and a card that answers again is saved as asked.
    void stuckCard_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("forget") << "cmdForget";
        QTest::newRow("close") << "close";
        QTest::newRow("answers again") << "answer";
    }

    void stuckCard()
    {
        QFETCH(QString, then);
        setCardAnswerLimit(std::chrono::milliseconds(1500));
        m_ops->stopAnswering();
        m_platform.answers << AnswerYes; // overwrite: the card answered that far
        QTest::mouseClick(find("cmdSave"), Qt::LeftButton);
        QTRY_COMPARE(waitText(), "Saving program 1 on the card…");
        QTest::keyClicks(find<QLineEdit>("txtName"), "X"); // the window takes keys while the card waits
        QCOMPARE(m_window->playlist().name(), "OneX");
        QTRY_COMPARE(waitText(), CardNoAnswerMessage);
        if (then == "close") {
            m_platform.answers << AnswerDiscard;
            closeWindow();
        } else if (then == "answer") {
            m_ops->answerAgain();
            QVERIFY(settled());
            // Saved as it was when Save was pressed; what was typed since stays to be saved.
            QVERIFY(m_card->read("Programs/Program1.adv") == "One" && m_window->playlist().isModified());
        } else {
            forget();
            QVERIFY(listed("lstCard").isEmpty() && !m_window->cardCalls().waitWindow());
            click("cmdSave"); // a card let go is no card: nothing waits on it
            QCOMPARE(m_platform.shown.last(), NoCardMessage);
        }
    }

    // Copy and paste by keys; paste onto all entries from the list's menu. Copied settings go onto an entry,
    // every entry or a card track (its command file at once), each keeping its own track name; without a copy,
    // or where they would be too long, nothing changes.
    void copyAndPaste()
    {
        const QString longTrack = QString(70, u'L') + ".mp3";
        m_card->addFiles({longTrack});
        m_card->write("Programs/Program1.txt", record("A.mp31V5 P30") + "end");
        m_window->chooseCardFolder(*m_card);
        QVERIFY(settled());
        key("Ctrl+C"); // nothing chosen, nothing copied
        key("Ctrl+C", "lstCard");
        keyOn("lstList", 0, "Ctrl+V");
        keyOn("lstCard", 1, "Ctrl+V");
        menuChoice("lstList", "Paste Settings to All Entries");
        select("lstList", 0);
        menuChoice("lstList", "Copy Settings");
        m_platform.answers << AnswerNo << AnswerYes;
        keyOn("lstCard", 2, "Ctrl+V"); // asked first: No writes nothing
        QVERIFY(!QFile::exists(m_card->path("C.adv")));
        keyOn("lstCard", 2, "Ctrl+V");
        keyOn("lstCard", 3, "Ctrl+V");
        keyOn("lstCard", 0, "Ctrl+C");
        menuChoice("lstList", "Paste Settings to All Entries");
        QCOMPARE(listed("lstListAdv"), QStringList {"A.mp3 V7"});
        keyOn("lstCard", 2, "Ctrl+C");
        keyOn("lstList", 0, "Ctrl+V");
        add(3);
        m_window->pasteSettingsToAllEntries();
        m_platform.answers << AnswerYes;
        keyOn("lstCard", 0, "Ctrl+V");
        key("Ctrl+Z", "lstCard"); // a card track's write has no undo, nor takes the playlist's
        QCOMPARE(listed("lstListAdv"), QStringList({"A.mp31V5 P30", longTrack + " V7"}));
        key("Ctrl+Z"); // the playlist's last step undone, and not redone from the card list
        key("Ctrl+Y", "lstCard");
        QCOMPARE(listed("lstListAdv").size(), 1);
        QCOMPARE(m_card->read("A.adv") + m_card->read("B.adv") + m_card->read("C.adv"),
                 "A.mp31V5 P30B.mp31V5 P30C.mp31V5 P30");
        QVERIFY(!QFile::exists(m_card->path(QString(70, u'L') + ".adv")));
        const QString tooLong = "Too many times!\n81 charachters out of 79!\n" + longTrack + "1V5 P30";
        const QString replace = "Replace the settings of %1 on the card with the copied ones?";
        QCOMPARE(m_platform.shown,
                 QStringList({replace.arg("C.mp3"), replace.arg("C.mp3"), tooLong, tooLong, replace.arg("A.mp3")}));
    }

    // Return and Enter anywhere but in a list or the name field print the card's tracks; Shift+F10 and the Menu
    // key open a list's context menu.
    void keysOfTheWindow()
    {
        int printed = 0;
        m_platform.printer = [&printed] {
            ++printed;
            return nullptr;
        };
        for (const char *name : {"txtName", "cmdRefresh"}) {
            key("Return", name);
            key("Enter", name);
        }
        QCOMPARE(printed, 2);

        QStringList menus; // and which list shows its selection bright while the menu is open
        for (const char *list : {"lstCard", "lstList"}) {
            for (const char *keys : {"Shift+F10", "Menu"}) {
                QTimer::singleShot(0, [&] {
                    menus << QApplication::activePopupWidget()->actions().value(2)->text();
                    for (const char *name : {"lstCard", "lstList"})
                        menus.last() += find<QWidget>(name)->palette().highlight() == Qt::gray ? " dim" : " bright";
                    QApplication::activePopupWidget()->close();
                });
                key(keys, list);
                QApplication::setActiveWindow(m_window.get());
            }
        }
        QString tabs; // Tab goes as the window reads, from the playlist on
        for (int i = 0; i < 21; ++i, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab))
            tabs += QApplication::focusWidget()->objectName() + ' ';
        QCOMPARE(tabs,
                 "lstList cmdListAdvanced cmdLoad cmdSave cmdDelete cmdMoveUp cmdMoveDown cmdRemove cmdClear cmdDown "
                 "txtList cmdUp txtName cmdPrint drvCard cmdRefresh lstCard cmdCardAdvanced cmdAdd cmdAddAll "
                 "cmdPrintRoot ");
        QCOMPARE(menus,
                 QStringList({"Show Timeline bright dim", "Show Timeline bright dim",
                              "Paste Settings to All Entries dim bright", "Paste Settings to All Entries dim bright"}));
    }

    // The card chosen when the window was closed is chosen again at the next start; one that does not answer,
    // or is no longer there, is not.
    void lastCardChosenAgain()
    {
        closeWindow();
        setCardAnswerLimit(std::chrono::milliseconds(50));
        for (const bool there : {true, false, false}) {
            frmMain next(m_platform, *m_ops);
            next.chooseLastCard();
            QTest::qWait(100);
            QVERIFY(!there || settled()); // a card that does not answer is waited for by nothing
            QVERIFY(!there || control<QComboBox>(&next, "drvCard")->currentText() == m_card->root());
            QCOMPARE(shownRows(&next, "lstCard").size(), there ? 3 : 0);
            next.close();
            QTRY_VERIFY(!next.isVisible());
            if (!there || !m_card->mountDead())
                m_card.reset();
        }
        QVERIFY(m_platform.shown.isEmpty());
    }

    // The card chosen when the window was closed has since become a link to another folder: it is not followed, so
    // nothing is chosen and nothing is written into the folder it leads to.
    void lastCardNowALink()
    {
        closeWindow();
        QVERIFY(settled());
        const QString elsewhere = m_card->path("../elsewhere");
        QVERIFY(QDir().rename(m_card->root(), elsewhere) && QFile::link(elsewhere, m_card->root()));
        QFile::remove(elsewhere + "/Programs/RootDir.txt");
        frmMain next(m_platform, *m_ops);
        next.chooseLastCard();
        QVERIFY(settled());
        QCOMPARE(control<QComboBox>(&next, "drvCard")->currentText(), QString());
        QCOMPARE(shownRows(&next, "lstCard").size(), 0);
        next.close();
        QTRY_VERIFY(!next.isVisible());
        QVERIFY(settled());
        QVERIFY(!QFile::exists(elsewhere + "/Programs/RootDir.txt"));
        QVERIFY(m_platform.shown.isEmpty());
    }

    // A row chosen from the list: its text change lists the card and the activation after it does not list it again;
    // the same row chosen again lists it anew.
    void cardChosenAgain()
    {
        m_card->addFiles({"D.mp3"});
        Q_EMIT drvCard()->activated(0);
        QVERIFY(settled());
        QCOMPARE(listed("lstCard").size(), 3);
        Q_EMIT drvCard()->activated(0);
        QVERIFY(settled());
        QCOMPARE(listed("lstCard").size(), 4);
    }

    // Refreshed, and the same card picked again from the list: closing writes its listing.
    void listingAfterCardPickedAgain()
    {
        QVERIFY(QFile::remove(m_card->path("Programs/RootDir.txt"))
                || !QFile::exists(m_card->path("Programs/RootDir.txt")));
        click("cmdRefresh");
        drvCard()->setCurrentIndex(0);
        Q_EMIT drvCard()->activated(0);
        QVERIFY(settled());
        closeWindow();
        QCOMPARE(m_card->read("Programs/RootDir.txt").left(5), "A.mp3");
    }

    void typedPathListedWhenTypingRests()
    {
        QLineEdit *field = drvCard()->lineEdit();
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, m_card->root());
        find<QWidget>("lstCard")->setFocus(); // leaving the field ends the typing
        QVERIFY(settled());
        QCOMPARE(listed("lstCard").size(), 3);
        m_card->addFiles({"D.mp3"});
        click("cmdRefresh"); // the volumes only: the card is listed anew when chosen anew
        QCOMPARE(listed("lstCard").size(), 3);
        field->clear();
        QTest::keyClicks(field, m_card->root());
        QVERIFY(settled());
        QVERIFY(listed("lstCard").isEmpty());
        QTRY_COMPARE(listed("lstCard").size(), 4);
        QVERIFY(settled());
        add(2);
        QTest::qWait(3 * VolumeSelector::TypingPause); // listed once: nothing asks about the change
        // With changes unsaved, a rest asks nothing (the next key would answer it) and lists nothing; Return does.
        TestCard other({"X.mp3"});
        field->selectAll();
        QTest::keyClicks(field, other.root());
        QTest::qWait(3 * VolumeSelector::TypingPause);
        QCOMPARE(listed("lstCard").size(), 4);
        m_platform.answers << AnswerDiscard;
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(settled());
        QCOMPARE(listed("lstCard"), QStringList {"X.mp3"});
    }

    // Choosing another card: Save goes to the card the changes were made on; Cancel keeps that card.
    void unsavedChangesQuestion_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("replaced");
        // clang-format off
        QTest::newRow("save") << QList<int>{AnswerSave, AnswerYes} << true;
        QTest::newRow("save refused") << QList<int>{AnswerSave, AnswerNo} << false;
        QTest::newRow("cancel") << QList<int>{AnswerCancel} << false;
        QTest::newRow("no tracks there: no question") << QList<int>{} << true;
        // clang-format on
    }

    void unsavedChangesQuestion()
    {
        QFETCH(QList<int>, answers);
        QFETCH(bool, replaced);
        TestCard other;
        if (!answers.isEmpty())
            other.addFiles({"X.mp3"});
        add(2);
        m_platform.answers.append(answers);
        drvCard()->setEditText(other.root());
        QVERIFY(settled());
        QCOMPARE(m_card->read("Programs/Program1.txt").contains("C.mp3"), answers.size() > 1 && replaced); // saved
        QCOMPARE(drvCard()->currentText(), replaced ? other.root() : m_card->root());
    }

    void volumesFollowMounts_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("chosen"); // the row chosen before; its text stays
        QTest::newRow("chosen one pulled") << QStringList {"/a", "/b"} << QStringList {"/a"} << 1;
        QTest::newRow("all new, the first too long for the box")
            << QStringList {"/a"} << QStringList {'/' + QString(200, u'x'), "/y", "/a"} << 0;
    }

    // Another card in the chosen one's place is told once, and listed only when chosen.
    void swappedCardIsToldOnce()
    {
        TestCard card;
        if (!card.mountTmpfs("card"))
            QSKIP("mounting is not permitted here");
        card.addFiles({"A.mp3"});
        drvCard()->setEditText(card.root());
        QVERIFY(settled());
        QVERIFY(card.unmount() && card.mountTmpfs("card"));
        card.addFiles({"B.mp3"});
        int changes = 0; // and again while the box is open
        m_platform.whileShown = [&] {
            if (changes++ == 0)
                m_platform.volumesChanged();
        };
        m_platform.volumesChanged();
        QVERIFY(settled());
        m_platform.volumesChanged();
        QVERIFY(settled());
        QCOMPARE(m_platform.shown, QStringList {CardChangedMessage});
        QCOMPARE(listed("lstCard"), QStringList {"A.mp3"});
        // Chosen again with changes, and swapped again while the question about them is open: the card now there.
        add(0);
        m_platform.answers << AnswerDiscard;
        m_platform.whileShown
            = [&card] { QVERIFY(card.unmount() && card.mountTmpfs("card") && card.write("C.mp3", {})); };
        m_window->chooseCardFolder(card);
        QVERIFY(settled());
        QCOMPARE(listed("lstCard"), QStringList {"C.mp3"});
        drvCard()->setEditText(m_card->root());
        QVERIFY(settled());
    }

    // A card that does not answer (a real dead FUSE mount, its server silent) holds no window: chosen, it is waited
    // for and can be forgotten, the window keeping to the card that answered; the chosen card that stops answering
    // makes Save wait, and forgotten, it is no card. The window closes whatever the card does.
    void deadCard()
    {
        TestCard other;
        if (!other.mountDead())
            QSKIP("mounting is not permitted here");
        setCardAnswerLimit(std::chrono::milliseconds(50));
        drvCard()->setEditText(other.root());
        QTRY_COMPARE(waitText(), CardNoAnswerMessage);
        forget();
        QCOMPARE(drvCard()->currentText(), m_card->root());
        QCOMPARE(listed("lstCard"), QStringList({"A.mp3", "B.mp3", "C.mp3"}));
        QVERIFY(m_card->mountDead());
        QTest::mouseClick(find("cmdSave"), Qt::LeftButton);
        QTRY_COMPARE(waitText(), CardNoAnswerMessage);
        QTest::keyClicks(find<QLineEdit>("txtName"), "X");
        forget();
        QVERIFY(listed("lstCard").isEmpty());
        click("cmdSave");
        QCOMPARE(m_platform.shown, QStringList {NoCardMessage});
        m_platform.answers << AnswerDiscard;
        closeWindow();
        other.revive(); // the kernel ends the calls that waited on the dead cards
        m_card->revive();
    }

    void volumesFollowMounts()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(int, chosen);
        m_platform.volumeList = before;
        click("cmdRefresh");
        drvCard()->setCurrentIndex(chosen);
        m_platform.volumeList = after;
        m_platform.volumesChanged();
        QCOMPARE(shownRows(drvCard()->view()), after);
        QCOMPARE(drvCard()->currentText(), before.at(chosen));
        QCOMPARE(drvCard()->currentIndex(), after.indexOf(before.at(chosen)));
        // Its list is wide enough for every path.
        QVERIFY(drvCard()->view()->minimumWidth() > drvCard()->fontMetrics().horizontalAdvance(after[0]));
    }

    // Each volume shows its size (and label) beside its path; choosing it puts the path alone into the field.
    // The card's player is named above the card, and follows the register wherever in the program it changes.
    void playerNamedAboveTheCard()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        const QString key = labelOf(CardStore(*m_card)).key;
        for (const auto &[name, location, shown] :
             {std::tuple {"Player 3", "Ocean Gallery", "Player 3 \u00b7 Ocean Gallery"},
              {"Player 4", "", "Player 4"}}) {
            QVERIFY(!FleetRepository().registerPlayer({key, name, location, {}}).failed());
            CardSession::instance().tell({}, CardChange::playersChanged());
            QTRY_COMPARE(find<QLabel>("lblPlayer")->text(), shown);
        }
        qunsetenv("XDG_DATA_HOME");
    }

    void volumesDescribed()
    {
        m_platform.volumeList = {"/nowhere", m_card->root()};
        click("cmdRefresh");
        QVERIFY(settled());
        const QAbstractItemModel *rows = drvCard()->model();
        QCOMPARE(rows->index(0, 0).data(Vexolo::Ui::VolumeSelector::DescriptionRole).toString(), "/nowhere");
        const QString described = rows->index(1, 0).data(Vexolo::Ui::VolumeSelector::DescriptionRole).toString();
        QVERIFY2(described.endsWith(" — " + m_card->root())
                     && QRegularExpression("^\\d+(\\.\\d)? [kMGTP]B — ").match(described).hasMatch(),
                 qPrintable(described));
        drvCard()->setCurrentIndex(1);
        QCOMPARE(drvCard()->currentText(), m_card->root());
        QVERIFY(drvCard()->view()->minimumWidth() > drvCard()->fontMetrics().horizontalAdvance(described));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
