#include "fleet/findingswindow.h"
#include "fleet/fleet.h"
#include "fleet/fleetwindow.h"
#include "fleet/fleetwindows.h"
#include "fleet/historywindow.h"
#include "fleet/productionpanel.h"
#include "fleet/syncpanel.h"
#include "main/frmmain.h"
#include "storage/cardsession.h"
#include "storage/cardstore.h"
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
using namespace std::chrono_literals;

// The windows of the card list's fleet entries and the programs list, on real card folders.

class TestFleetWindows : public QObject
{
    Q_OBJECT

    ScriptedPlatform platform;
    QWidget parent;

    // The window that Compare (or Copy Setup) opens once the card at path is chosen as the other; nullptr when none.
    FindingsWindow *withOther(bool copy, const CardStore &store, const QString &path)
    {
        qDeleteAll(parent.findChildren<FindingsWindow *>());
        CardChooser *chooser = (copy ? showSetupCopy : showCardCompare)(&parent, platform, store);
        chooser->drvOther->setCurrentText(path);
        chooser->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        return settled() ? parent.findChild<FindingsWindow *>() : nullptr; // those refused are gone by then
    }

private Q_SLOTS:
    void cleanup()
    {
        CardStore::setDefaultJournal(nullptr);
        qunsetenv("XDG_DATA_HOME");
    }

    // A repair, one or all, asks first and goes through the card store; the report is made anew.
    void checkAndRepair()
    {
        TestCard card({"A.mp3"});
        card.write("Gone.adv", "Gone.mp3 V7");
        CardStore store;
        QCOMPARE(showCardCheck(&parent, platform, store), nullptr);
        QCOMPARE(platform.shown.last(), NoCardMessage);
        store.choose(card);
        FindingsWindow *window = showCardCheck(&parent, platform, store);
        QVERIFY(settled());
        platform.answers << AnswerNo << AnswerYes;
        QTreeView *list = window->lstFindings;
        QAbstractItemModelTester rows(list->model());
        const QModelIndex repair = list->model()->index(0, 2);
        QCOMPARE(QStringList({repair.siblingAtColumn(0).data(Qt::ToolTipRole).toString(), repair.data().toString(),
                              repair.data(Qt::ToolTipRole).toString()}),
                 QStringList({"Gone.adv", "Remove", "remove the file"}));
        // The message asks nothing; the repair asks, No then Yes.
        for (const auto &[column, kept] : {std::pair {1, true}, {2, true}, {2, false}}) {
            if (!kept) // removed by someone else while the question is open: the repair fails, with a caution
                platform.whileShown = [&card] { QFile::remove(card.path("Gone.adv")); };
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(0, column)).center());
            QCoreApplication::processEvents(); // the click's queued repair
            QVERIFY(settled());
            QCOMPARE(QFile::exists(card.path("Gone.adv")), kept);
        }
        QCOMPARE(platform.shown.last(), "Could not repair Gone.adv! Your card may be write protected!");
        QCOMPARE(platform.codes.last(), PlatformAdapter::Caution);
        window->cmdCopyReport->click();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 "Card " + card.root()
                     + ": 1 finding\nPrograms/RootDir.txt: missing (repair: write the listing anew)\n");
        platform.answers << AnswerYes; // "Repair All": one question naming each repair
        window->cmdAction->click();
        QVERIFY(settled());
        QCOMPARE(platform.shown.last(), "Repair all of these?\nPrograms/RootDir.txt: write the listing anew");
        QCOMPARE(card.read("Programs/RootDir.txt"), record("A.mp3 V7") + "end");
        QVERIFY(!window->cmdAction->isEnabled()); // nothing left to repair
        QCOMPARE(window->reportText(), "Card " + card.root() + ": 0 findings\nNothing is wrong with this card.\n");
    }

    // A finding mended elsewhere in the program goes as soon as the card is written to; one mended outside it, on
    // "Check Again".
    void checkAgain()
    {
        TestCard card({"A.mp3"});
        card.write("Gone.adv", "Gone.mp3 V7");
        CardStore store;
        store.choose(card);
        FindingsWindow *window = showCardCheck(&parent, platform, store);
        QVERIFY(settled());
        const auto places = [window] {
            QStringList shown;
            for (const Finding &finding : window->findings())
                shown.append(finding.place);
            return shown;
        };
        QCOMPARE(places(), QStringList({"Gone.adv", "Programs/RootDir.txt"}));
        CardStore elsewhere;
        elsewhere.choose(card);
        QVERIFY(elsewhere.rewriteListing().isEmpty());
        QVERIFY(settled());
        QCOMPARE(places(), QStringList({"Gone.adv"}));
        QVERIFY(QFile::remove(card.path("Gone.adv")));
        window->cmdCheckAgain->click();
        QVERIFY(settled());
        QCOMPARE(places(), QStringList());
    }

    // Comparing reads both cards and writes neither; the other card is never the chosen one.
    void compare()
    {
        TestCard card({"A.mp3", "../other/B.mp3"});
        card.write("Programs/Program1.txt", "end");
        card.write("../other/Programs/Program2.txt", "end");
        const QStringList files = card.snapshot();
        CardStore store(card);
        QCOMPARE(CardChooser({}, {card.root(), "/media/B"}, card.root(), nullptr).drvOther->itemText(0), "/media/B");
        const QString other = QDir::cleanPath(card.path("../other"));
        QCOMPARE(withOther(false, store, card.root()), nullptr);
        QCOMPARE(withOther(false, store, card.path("Programs")), nullptr);
        QCOMPARE(withOther(false, store, other + "/none"), nullptr);
        QCOMPARE(platform.shown.mid(platform.shown.size() - 3),
                 QStringList({"That is the chosen card itself! Choose another card.",
                              "That folder lies inside the chosen card, or holds it! Choose another card.",
                              "The card " + other + "/none cannot be read!"}));
        QCOMPARE(withOther(false, store, other)->reportText(),
                 "A: " + card.root() + "\nB: " + other
                     + "\nPrograms/Program1.txt: program 1 only on A\nPrograms/Program2.txt: program 2 only on B\n"
                       "A.mp3: the track only on A\nB.mp3: the track only on B\n");
        QCOMPARE(card.snapshot(), files);
    }

    // The copy is planned, and written only once the user agrees; a write that fails is reported.
    void copySetup()
    {
        TestCard from;
        TestCard to;
        from.write("Programs/Program1.txt", "end");
        CardStore store(from);
        FindingsWindow *window = withOther(true, store, to.root());
        QCOMPARE(window->reportText(),
                 "A: " + from.root() + "\nB: " + to.root()
                     + "\nFrom A onto B: 1 file to write.\nPrograms/Program1.txt: will be written on B\n"
                       "target: holds no tracks: taken for a backup folder, it keeps every command "
                       "file\n");
        platform.answers << AnswerNo << AnswerYes;
        window->cmdAction->click();
        QVERIFY(settled());
        QCOMPARE(to.snapshot(), QStringList {"card"});
        platform.whileShown = [&to] { to.write("Programs", "in the way"); };
        window->cmdAction->click();
        QVERIFY(settled());
        QCOMPARE(platform.shown.last(), "The setup could not be copied completely! See the report.");
        QVERIFY(!window->cmdAction->isEnabled());

        QFile::remove(to.path("Programs"));
        window = withOther(true, store, to.root());
        platform.answers << AnswerYes;
        window->cmdAction->click();
        QVERIFY(settled());
        QCOMPARE(to.read("Programs/Program1.txt"), "end");
        QCOMPARE(platform.shown.last(), "The setup was copied and verified.");
        QVERIFY(!withOther(true, store, to.root())->cmdAction->isEnabled()); // nothing left to write
        to.addFiles({"A.mp3"});
        QVERIFY(withOther(true, store, to.root())->cmdAction->isEnabled()); // but its listing, now stale
    }

    // A check on a card that stops answering says so, with Wait and Forget, and the window still closes.
    void stuckCheck()
    {
        TestCard card;
        FailingFileOps ops;
        CardStore store(card.root(), ops);
        setCardAnswerLimit(300ms);
        ops.stopAnswering();
        QPointer<FindingsWindow> window = showCardCheck(&parent, platform, store);
        auto *calls = window->findChild<CardCalls *>();
        QTRY_VERIFY(calls->waitWindow()
                    && control<QLabel>(calls->waitWindow(), "lblWait")->text() == CardNoAnswerMessage);
        window->close();
        QTRY_VERIFY(!window);
        setCardAnswerLimit(4s);
        ops.answerAgain();
        QTRY_VERIFY(!CardSession::instance().working());
    }

    // The main window's programs list: a click on the number opens it, Escape closes it; kept up to date by Save
    // once read; choosing one loads it.
    // The card's history from the window: kept before each write, shown with what differs, restored on Yes alone and
    // verified; the card's player beside the volume field. A card that takes no write is told so.
    void history()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        FleetJournal journal;
        CardStore::setDefaultJournal(&journal);
        TestCard card({"A.mp3"});
        card.write("A.adv", "A.mp3 V3"); // kept in every version, the same as on the card
        card.write("Programs/Program1.txt", record("A.mp3 V7") + "end");
        frmMain window(platform);
        FleetRepository fleet;
        QVERIFY(!fleet.registerPlayer({identifyCard(card).key, "Player 7", "Foyer", {}}).failed());
        window.chooseCardFolder(card);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window) && settled()
                && control<QComboBox>(&window, "drvCard")->toolTip().endsWith(card.root() + "\nPlayer 7 · Foyer"));
        QTest::keyClick(&window, Qt::Key_H, Qt::ControlModifier); // nothing kept yet, nothing to compare
        QCOMPARE(window.findChild<HistoryWindow *>()->lstVersions->item(0)->text(), "Reading…");
        QVERIFY(settled());
        QCOMPARE(window.findChild<HistoryWindow *>()->lstDifferences->count(), 0);
        platform.answers << AnswerYes;
        control<QPushButton>(&window, "cmdDelete")->click();
        QVERIFY(settled());

        QApplication::setActiveWindow(&window); // not the history opened first
        QTest::keyClick(&window, Qt::Key_H, Qt::ControlModifier);
        auto *history = window.findChildren<HistoryWindow *>().last();
        QVERIFY(settled());
        QVERIFY(history->lstVersions->count() == 2
                && history->lstVersions->item(0)->text().endsWith("after Delete program 1")
                && history->lstVersions->item(1)->text().endsWith("before Delete program 1"));
        QCOMPARE(history->lstDifferences->item(0)->text(), "The card holds this version's setup.");
        history->lstVersions->setCurrentRow(1);
        QVERIFY(settled());
        QCOMPARE(history->lstDifferences->item(0)->text(), "Program 1 deleted (1 entry)");
        platform.answers << AnswerNo;
        history->cmdRestore->click();
        QVERIFY(!QFile::exists(card.path("Programs/Program1.txt")));
        platform.answers << AnswerYes;
        history->cmdRestore->click();
        QVERIFY(settled());
        QCOMPARE(card.read("Programs/Program1.txt"), record("A.mp3 V7") + "end");
        QCOMPARE(shownRows(&window, "lstListAdv"), QStringList {"A.mp3 V7"}); // read again by the main window
        QCOMPARE(platform.shown.last(), "The card's setup is restored and reads back the same (files changed: 1).");
        // The main window, under the history, names what was written and where.
        QVERIFY(control<QLabel>(&window, "lblWritten")->toolTip().startsWith("Version "));
        QVERIFY(control<QLabel>(&window, "lblWritten")
                    ->toolTip()
                    .endsWith(" restored on " + QDir(card.root()).dirName() + " · Player 7"));
        QCOMPARE(history->lstVersions->count(), 3);
        QVERIFY(history->lstVersions->item(0)->text().contains("after restore of "));
        history->lstVersions->setCurrentRow(2); // the version restored
        QVERIFY(settled());
        QCOMPARE(history->lstDifferences->item(0)->text(), "The card holds this version's setup.");
        history->lstVersions->item(1)->setSelected(true); // and the one before the restore: older against newer
        QVERIFY(settled());
        QCOMPARE(history->lstDifferences->item(0)->text(), "Program 1 deleted (1 entry)");
        QVERIFY(!history->cmdRestore->isEnabled() && QDir(card.root()).removeRecursively()); // pulled next
        history->lstVersions->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        QVERIFY(settled());
        QCOMPARE(shownRows(history, "lstDifferences"), QStringList {"The card cannot be read."});

        if (!card.mountTmpfs("read-only")) // a card of its own, which then takes no write
            return;
        card.addFiles({"A.mp3"});
        window.chooseCardFolder(card);
        QVERIFY(settled());
        card.spoil("read-only");
        QApplication::setActiveWindow(&window);
        fleet.record(identifyCard(card).key, {{"A.adv", "A.mp3 V2"}}, "planted");
        QTest::keyClick(&window, Qt::Key_H, Qt::ControlModifier);
        history = window.findChildren<HistoryWindow *>().last();
        QVERIFY(settled());
        QVERIFY(history->lstVersions->item(0)->text().contains("before planted"));
        platform.answers << AnswerYes;
        history->cmdRestore->click();
        QVERIFY(settled());
        QVERIFY(platform.shown.last().startsWith("The restore failed:\nA.adv: could not be written or removed"));
    }

    // A long history is listed a page at a time; the last row reads the older versions when chosen. A damaged one says
    // what is damaged.
    void historyPaged()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        TestCard card({"A.mp3"});
        FleetRepository fleet;
        const int total = FleetRepository::HistoryPage + 5;
        for (int n = 0; n < total; ++n)
            fleet.record(identifyCard(card).key, {{"A.adv", QByteArray::number(n)}}, QString::number(n));
        CardStore store(card);
        HistoryWindow *history = showHistory(nullptr, platform, store);
        const std::unique_ptr<HistoryWindow> closed(history);
        QVERIFY(settled());
        QCOMPARE(history->lstVersions->count(), FleetRepository::HistoryPage + 1);
        QCOMPARE(history->lstVersions->item(FleetRepository::HistoryPage)->text(), "Older versions…");
        history->lstVersions->setCurrentRow(FleetRepository::HistoryPage);
        QVERIFY(settled());
        QCOMPARE(history->lstVersions->count(), total);
        QVERIFY(history->lstVersions->item(total - 1)->text().endsWith("before 0"));

        QDir objects(data.filePath("vexolo-playlist-setup/fleet.git/objects"));
        for (const QString &folder : objects.entryList({"??"}, QDir::Dirs)) {
            for (const QString &name : QDir(objects.filePath(folder)).entryList(QDir::Files)) {
                QFile object(objects.filePath(folder + '/' + name));
                object.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
                QVERIFY(object.resize(10)); // every object cut short
            }
        }
        HistoryWindow *damaged = showHistory(nullptr, platform, store);
        const std::unique_ptr<HistoryWindow> alsoClosed(damaged);
        QVERIFY(settled());
        QVERIFY(damaged->lstVersions->item(0)->text().startsWith("the fleet's data is damaged: "));
    }

    // The production line: each card inserted while the box is ticked is named if need be, made to match the
    // reference, verified and logged; a card without a name, or before a reference is chosen, is left as it is; a
    // volume that is no card is never spoken of.
    void productionLine()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        TestCard reference;
        TestCard first;
        TestCard second;
        TestCard other; // another program's mount, say
        reference.write("A.mp3", "aaa");
        reference.write("Programs/Program1.txt", record("A.mp3 V7") + "end");
        for (const TestCard *card : {&reference, &first, &second})
            platform.insertCard(card->root());
        auto *window = new FleetWindow(platform, &parent);
        window->drvReference->setCurrentText({});
        const auto insert = [this](const QStringList &volumes) {
            platform.volumeList = volumes;
            platform.volumesChanged();
            QVERIFY(settled());
        };
        window->production->chkProduce->setChecked(true);
        insert({first.root()});
        QCOMPARE(window->production->lblStatus->text(),
                 first.root() + " was inserted, but no reference is chosen: nothing was written.");
        window->drvReference->setCurrentText(reference.root());
        insert({});
        insert({first.root()}); // no name given: Cancel
        QCOMPARE(window->production->lblStatus->text(),
                 first.root() + ": no player named; the card was left as it is.");
        QCOMPARE(first.snapshot(), QStringList {"card"});
        platform.texts << "Player 3";
        platform.answers << AnswerYes;
        platform.ticks << true; // for every card from now on
        insert({});
        insert({first.root(), reference.root(), other.root()}); // the reference itself is never written
        QCOMPARE(window->production->lblStatus->text(),
                 "Player 3: verified — unmount the card and take it out and insert the next");
        QVERIFY(window->production->cmdCancel->isHidden()); // the window itself is never shown here
        QCOMPARE(first.read("A.mp3") + first.read("Programs/Program1.txt"), "aaa" + record("A.mp3 V7") + "end");
        QCOMPARE(other.snapshot(), QStringList {"card"});
        insert({});
        insert({first.root()}); // known now: no question, nothing to write
        platform.texts << "Player 4";
        window->production->chkProduce->setChecked(false);
        insert({first.root(), second.root()});
        QVERIFY(!QFile::exists(second.path("A.mp3")));
        QCOMPARE(platform.texts.takeFirst(), "Player 4"); // never asked for
        const QTreeWidgetItem *row = window->lstPlayers->topLevelItem(0);
        QCOMPARE(QStringList({row->text(0), row->text(4)}), QStringList({"Player 3", "verified"}));
        QCOMPARE(window->lstPlayers->topLevelItemCount(), 1);
        QCOMPARE(window->lstLog->count(), 2);
        QVERIFY(window->lstLog->item(0)->text().contains("0 files"));
        delete window;
    }

    // With the main window open and a card chosen in it, a card inserted reaches the production line too: both
    // windows hear of it, and the new card is made to match the reference.
    void productionLineBesideMainWindow()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        TestCard chosen({"A.mp3"});
        TestCard reference;
        TestCard inserted;
        reference.write("B.mp3", "bbb");
        reference.write("Programs/Program1.txt", record("B.mp3 V7") + "end");
        platform.volumeList = {chosen.root()};
        frmMain window(platform);
        window.chooseCardFolder(chosen);
        auto *fleet = new FleetWindow(platform, &window);
        fleet->drvReference->setCurrentText(reference.root());
        fleet->production->chkProduce->setChecked(true);
        platform.insertCard(inserted.root());
        platform.texts << "Player 9";
        platform.answers << AnswerYes;
        platform.volumeList = {chosen.root(), inserted.root()};
        platform.volumesChanged();
        QVERIFY(settled());
        QCOMPARE(fleet->production->lblStatus->text(),
                 "Player 9: verified — unmount the card and take it out and insert the next");
        QCOMPARE(inserted.read("B.mp3") + inserted.read("Programs/Program1.txt"), "bbb" + record("B.mp3 V7") + "end");
        auto *drvCard = control<QComboBox>(&window, "drvCard");
        QCOMPARE(shownRows(drvCard->view()), platform.volumeList);
        QCOMPARE(drvCard->currentText(), chosen.root());
        delete fleet;
    }

    void programList()
    {
        TestCard card({"A.mp3"});
        frmMain window(platform);
        window.chooseCardFolder(card);
        QVERIFY(settled());
        auto *programs = window.findChild<ProgramList *>();
        auto *number = window.findChild<QLineEdit *>("txtList");
        QTest::mouseClick(number, Qt::LeftButton);
        QTest::keyClick(programs, Qt::Key_Escape);
        QVERIFY(!programs->isVisible());
        window.findChild<QPushButton *>("cmdSave")->click();
        QVERIFY(settled());
        QCOMPARE(programs->model()->index(1, 0).data().toString(), "1  (no name), 0 entries");
        QTest::mouseClick(number, Qt::RightButton);
        QVERIFY(!programs->isVisible());
        QTest::mouseClick(number, Qt::LeftButton);
        QTest::keyClick(programs, Qt::Key_Down);
        QTest::keyClick(programs, Qt::Key_Return);
        QVERIFY(settled());
        QCOMPARE(number->text(), "2");
    }

    // A remote not synced with before is asked about first (a mistyped folder would become a new fleet); once a sync
    // with it went well, it is not asked again. The sync is a child process: here a script in its place.
    void syncPanel()
    {
        QSettings().remove("fleet");
        QTemporaryDir dir;
        const QString script = dir.filePath("sync");
        QVERIFY(TestCard::writeTo(script,
                                  "#!/bin/sh\n[ \"$2\" = /bad ] && { echo \"/bad: no fleet there\" >&2; exit 1; }\n"
                                  "[ \"$2\" = /silent ] && { sleep 60 & wait; }\n"
                                  "echo \"Pulled: 1 version, 0 players, 2 log lines. $2\"\n"));
        QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
        SyncPanel panel(platform, &parent, script);
        QSignalSpy synced(&panel, &SyncPanel::synced);
        panel.txtRemote->setText(" /media/usb/fleet ");
        for (const auto answer : {AnswerNo, AnswerYes}) {
            platform.answers << answer;
            panel.cmdSync->click();
        }
        QCOMPARE(platform.shown.last(),
                 "Sync with /media/usb/fleet for the first time? Where nothing is there yet, a new shared fleet is "
                 "made there.");
        QTRY_COMPARE(synced.size(), 1);
        QCOMPARE(panel.lblSync->text(), "Pulled: 1 version, 0 players, 2 log lines. /media/usb/fleet");
        const qsizetype asked = platform.shown.size();
        panel.cmdSync->click();
        QTRY_COMPARE(synced.size(), 2);
        QCOMPARE(platform.shown.size(), asked);

        // A sync that fails says why, and its remote is not one synced with.
        panel.txtRemote->setText("/bad");
        platform.answers << AnswerYes << AnswerYes;
        for (int attempt = 0; attempt < 2; ++attempt) {
            panel.cmdSync->click();
            QTRY_VERIFY(panel.cmdSync->isEnabled());
        }
        QCOMPARE(panel.lblSync->text(), "/bad: no fleet there");
        QVERIFY(platform.answers.isEmpty()); // asked again: not remembered

        // A remote that stays silent is ended by Cancel, the transfer it started with it.
        panel.txtRemote->setText("/silent");
        platform.answers << AnswerYes;
        panel.cmdSync->click();
        panel.cmdCancelSync->click();
        QTRY_VERIFY(panel.cmdSync->isEnabled());
        QCOMPARE(panel.lblSync->text(), "Sync cancelled; nothing half-written.");
        QCOMPARE(synced.size(), 2);
    }
};

QTEST_MAIN(TestFleetWindows)
#include "tst_fleetwindows.moc"
