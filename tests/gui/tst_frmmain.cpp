#include "fleetwindows.h"
#include "frmadv.h"
#include "frmmain.h"
#include "support/helpers.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"
#include "support/windows.h"

#include <QtTest>
#include <QtWidgets>

// What the main window adds to the card store and the document: its questions and messages in
// order, undo across programs, the advanced window's target, no handler inside card work, its keys.
class TestFrmMain : public QObject
{
    Q_OBJECT

    ScriptedPlatform m_platform;
    std::unique_ptr<TestCard> m_card;
    std::unique_ptr<frmMain> m_window;

    template<typename Control = QPushButton> Control *find(const char *name)
    {
        return control<Control>(m_window.get(), name);
    }
    void click(const char *name) { QTest::mouseClick(find(name), Qt::LeftButton); }
    void select(const char *list, int row)
    {
        auto *view = find<QListView>(list);
        view->setCurrentIndex(view->model()->index(row, 0));
    }
    void key(Qt::Key key)
    {
        find<QListView>("lstList")->setFocus();
        QTest::keyClick(find<QListView>("lstList"), key, Qt::ControlModifier);
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
        m_window = std::make_unique<frmMain>(m_platform);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        find<QComboBox>("drvCard")->setEditText(m_card->root());
    }

    void cleanup()
    {
        QVERIFY(m_platform.answers.isEmpty());
        m_window.reset();
    }

    void undoAcrossPrograms()
    {
        select("lstCard", 2);
        click("cmdAdd");
        m_platform.answers << PlatformAdapter::AnswerDiscard << PlatformAdapter::AnswerYes
                           << PlatformAdapter::AnswerYes;
        click("cmdUp");
        QCOMPARE(shownRows(m_window.get(), "lstList"), QStringList {"C.mp3"});
        key(Qt::Key_Z);
        QCOMPARE(find<QLineEdit>("txtList")->text() + find<QLineEdit>("txtName")->text(), "1One");
        QCOMPARE(shownRows(m_window.get(), "lstList"), QStringList({"A.mp3", "B.mp3", "C.mp3"}));
        key(Qt::Key_S);
        QCOMPARE(m_card->read("Programs/Program2.txt"), record("C.mp3 V7") + "end");
        QCOMPARE(m_card->read("Programs/Program1.txt"),
                 record("A.mp3 V7") + record("B.mp31V5 P30") + record("C.mp3 V7") + "end");
        click("cmdDelete");
        QVERIFY(shownRows(m_window.get(), "lstList").isEmpty());
        key(Qt::Key_Z); // the deleted entries come back, to be saved again
        QCOMPARE(shownRows(m_window.get(), "lstListAdv").size(), 3);
        QCOMPARE(m_platform.shown,
                 QStringList({"Playlist 1 has changes that are not saved.", "This Playlist already exists! Overwrite?",
                              "Are you sure you want to delete Playlist Number 1?"}));
        m_platform.answers << PlatformAdapter::AnswerCancel;
        QVERIFY(!m_window->close());
    }

    void advancedTargetOnAnotherCard()
    {
        TestCard other;
        other.addFiles({"C.mp3"});
        other.write("C.adv", "C.mp3 V3");
        click("cmdListAdvanced");
        click("cmdCardAdvanced");
        QVERIFY(!frmAdv::existing()); // nothing selected
        select("lstCard", 2);
        click("cmdCardAdvanced");
        find<QComboBox>("drvCard")->setEditText(other.root());
        frmAdv::existing()->cmdSave->click();
        QCOMPARE(m_platform.shown, QStringList {"Could not write to file: [C.adv]"});
        QCOMPARE(other.read("C.adv"), "C.mp3 V3");
        QVERIFY(!QFile::exists(m_card->path("C.adv")));
        find<QComboBox>("drvCard")->setEditText(m_card->root());
        select("lstCard", 2);
        click("cmdCardAdvanced");
        frmAdv::existing()->cmdSave->click();
        QCOMPARE(m_card->read("C.adv"), "C.mp3 V7");
    }

    void advancedFollowsItsEntry()
    {
        select("lstList", 0);
        click("cmdListAdvanced");
        QPointer<frmAdv> window = frmAdv::existing();
        QVERIFY(window->isWindow() && window->parentWidget() == m_window.get() && !window->isModal());
        click("cmdMoveDown");
        QTest::mouseClick(window->cmdPlus, Qt::LeftButton);
        window->cmdSave->click();
        QCOMPARE(shownRows(m_window.get(), "lstListAdv"), QStringList({"B.mp31V5 P30", "A.mp3 V8"}));
        click("cmdListAdvanced");
        click("cmdRemove");
        frmAdv::existing()->cmdSave->click();
        QCOMPARE(m_platform.shown, QStringList {"workingIndex < listcount"});
    }

    void cardWorkTakesNoInput()
    {
        select("lstList", 0);
        click("cmdListAdvanced");
        m_platform.answers << PlatformAdapter::AnswerYes;
        m_platform.whileShown = [this] {
            click("cmdClear");
            QTest::mouseClick(frmAdv::existing()->cmdSave, Qt::LeftButton);
            m_window->close();
        };
        click("cmdSave");
        QVERIFY(m_window->isVisible() && frmAdv::existing());
        QCOMPARE(shownRows(m_window.get(), "lstListAdv"), QStringList({"A.mp3 V7", "B.mp31V5 P30"}));
        QVERIFY(m_card->read("Programs/Program1.txt").startsWith(record("A.mp3 V7")));
        QTRY_VERIFY(!m_window->isVisible());
        QVERIFY(!frmAdv::existing());
    }

    void keysAndDrag()
    {
        select("lstList", 1);
        key(Qt::Key_C);
        select("lstList", 0);
        key(Qt::Key_V);
        QAbstractItemModel *entries = find<QListView>("lstList")->model();
        QVERIFY(entries->moveRow({}, 0, {}, 2));
        QCOMPARE(shownRows(m_window.get(), "lstList"), QStringList({"B.mp3", "A.mp3"}));
        QCOMPARE(shownRows(m_window.get(), "lstListAdv"), QStringList({"B.mp31V5 P30", "A.mp31V5 P30"}));
        key(Qt::Key_Z);
        key(Qt::Key_Z);
        QCOMPARE(shownRows(m_window.get(), "lstListAdv"), QStringList({"A.mp3 V7", "B.mp31V5 P30"}));
        key(Qt::Key_Y);
        QCOMPARE(shownRows(m_window.get(), "lstListAdv").first(), "A.mp31V5 P30");
        int printed = 0;
        m_platform.printer = [&printed] {
            ++printed;
            return nullptr;
        };
        find<QLineEdit>("txtName")->setFocus();
        QTest::keyClick(find<QLineEdit>("txtName"), Qt::Key_Return);
        QCOMPARE(printed, 1);
    }

    // Return and Delete act on the list that has the focus.
    void keysWhereTheFocusIs_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<int>("entries");
        // clang-format off
        QTest::newRow("return on card list adds") << "lstCard" << Qt::Key_Return << 3;
        QTest::newRow("return on playlist opens advanced") << "lstList" << Qt::Key_Enter << 2;
        QTest::newRow("delete on card list") << "lstCard" << Qt::Key_Delete << 2;
        QTest::newRow("delete on playlist removes") << "lstList" << Qt::Key_Delete << 1;
        // clang-format on
    }

    void keysWhereTheFocusIs()
    {
        QFETCH(QString, focus);
        QFETCH(Qt::Key, key);
        select("lstCard", 0);
        select("lstList", 0);
        auto *target = find<QWidget>(qPrintable(focus));
        target->setFocus();
        QTest::keyClick(target, key);
        QTEST(m_window->playlist().count(), "entries");
        QCOMPARE(frmAdv::existing() != nullptr, key == Qt::Key_Enter);
    }

    void typedPathListedWhenTypingRests()
    {
        QLineEdit *field = find<QComboBox>("drvCard")->lineEdit();
        field->clear();
        QTest::keyClicks(field, m_card->root());
        QVERIFY(m_window->cardTracks().tracks().isEmpty());
        QTRY_COMPARE(m_window->cardTracks().tracks().size(), 3);
    }

    // Choosing another card: Save goes to the card the changes were made on; Cancel keeps that card.
    void unsavedChangesQuestion_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("replaced");
        // clang-format off
        QTest::newRow("save") << QList<int>{PlatformAdapter::AnswerSave, PlatformAdapter::AnswerYes} << true;
        QTest::newRow("save refused") << QList<int>{PlatformAdapter::AnswerSave, PlatformAdapter::AnswerNo} << false;
        QTest::newRow("discard") << QList<int>{PlatformAdapter::AnswerDiscard} << true;
        QTest::newRow("cancel") << QList<int>{PlatformAdapter::AnswerCancel} << false;
        // clang-format on
    }

    void unsavedChangesQuestion()
    {
        QFETCH(QList<int>, answers);
        QFETCH(bool, replaced);
        TestCard other;
        other.addFiles({"X.mp3"});
        select("lstCard", 2);
        click("cmdAdd");
        m_platform.answers.append(answers);
        find<QComboBox>("drvCard")->setEditText(other.root());
        QCOMPARE(m_card->read("Programs/Program1.txt").contains("C.mp3"), answers.size() > 1 && replaced); // saved
        QCOMPARE(find<QComboBox>("drvCard")->currentText(), replaced ? other.root() : m_card->root());
    }

    // A Save answered in the unsaved-changes question shows in the programs list as the button's does.
    void programListCountsEverySave()
    {
        auto *programs = m_window->findChild<Vexolo::Ui::ProgramList *>();
        programs->popUp();
        select("lstCard", 2);
        click("cmdAdd");
        m_platform.answers << PlatformAdapter::AnswerSave << PlatformAdapter::AnswerYes;
        click("cmdUp");
        QCOMPARE(programs->model()->index(1, 0).data().toString(), "1  One, 3 entries");
    }

    void volumesFollowMounts_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("chosen"); // the row chosen before; its text stays
        QTest::newRow("reordered") << QStringList {"/a", "/b", "/c"} << QStringList {"/c", "/a", "/b"} << 1;
        QTest::newRow("one added between") << QStringList {"/a", "/c"} << QStringList {"/a", "/b", "/c"} << 1;
        QTest::newRow("chosen one pulled") << QStringList {"/a", "/b"} << QStringList {"/a"} << 1;
        QTest::newRow("all new") << QStringList {"/a"} << QStringList {"/x", "/y", "/a"} << 0;
    }

    void swappedCardIsToldOnce()
    {
        TestCard card;
        if (!card.mountTmpfs("card"))
            QSKIP("mounting is not permitted here");
        card.addFiles({"A.mp3"});
        find<QComboBox>("drvCard")->setEditText(card.root());
        QVERIFY(card.unmount() && card.mountTmpfs("card"));
        card.addFiles({"B.mp3"});
        m_platform.volumesChanged();
        m_platform.volumesChanged();
        QCOMPARE(m_platform.shown, QStringList {Vexolo::CardStore::CardChangedMessage});
        QCOMPARE(shownRows(m_window.get(), "lstCard"), QStringList {"A.mp3"});
        find<QComboBox>("drvCard")->setEditText(m_card->root());
    }

    void volumesFollowMounts()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(int, chosen);
        auto *drvCard = find<QComboBox>("drvCard");
        m_platform.volumeList = before;
        click("cmdRefresh");
        drvCard->setCurrentIndex(chosen);
        m_platform.volumeList = after;
        m_platform.volumesChanged();
        QStringList rows;
        for (int row = 0; row < drvCard->count(); ++row)
            rows.append(drvCard->itemText(row));
        QCOMPARE(rows, after);
        QCOMPARE(drvCard->currentText(), before.at(chosen));
        QCOMPARE(drvCard->currentIndex(), after.indexOf(before.at(chosen)));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
