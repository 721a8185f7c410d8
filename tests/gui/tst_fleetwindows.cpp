#include "findingswindow.h"
#include "fleetwindows.h"
#include "frmmain.h"
#include "storage/cardstore.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace Vexolo;
using namespace Vexolo::Ui;

// The windows of the card list's fleet entries and the programs list, on real card folders.
class TestFleetWindows : public QObject
{
    Q_OBJECT

    ScriptedPlatform platform;
    QWidget parent;

private Q_SLOTS:
    // A repair asks first and goes through the card store; the report is made anew.
    void checkAndRepair()
    {
        TestCard card;
        card.addFiles({"A.mp3"});
        card.write("Gone.adv", "Gone.mp3 V7");
        CardStore store;
        store.choose(card.root());
        FindingsWindow *window = showCardCheck(&parent, platform, store);
        platform.answers << PlatformAdapter::AnswerNo << PlatformAdapter::AnswerYes;
        for (const bool kept : {true, false}) {
            auto *repair = window->lstFindings->itemWidget(window->lstFindings->topLevelItem(0), 2);
            qobject_cast<QPushButton *>(repair)->click();
            QCoreApplication::processEvents();
            QCOMPARE(QFile::exists(card.path("Gone.adv")), kept);
        }
        QCOMPARE(window->lstFindings->topLevelItemCount(), 1);
        window->cmdCopyReport->click();
        QVERIFY(
            QGuiApplication::clipboard()->text().endsWith("RootDir.txt: missing (repair: write the listing anew)\n"));
    }

    // The copy is written only once the user agrees.
    void copySetup()
    {
        TestCard from;
        TestCard to;
        from.write("Programs/Program1.txt", "end");
        CardStore store;
        store.choose(from.root());
        CardChooser *chooser = showSetupCopy(&parent, platform, store);
        chooser->drvOther->setCurrentText(to.root());
        chooser->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(to.read("Programs/Program1.txt"), "");
        platform.answers << PlatformAdapter::AnswerYes;
        parent.findChildren<FindingsWindow *>().last()->cmdAction->click();
        QCOMPARE(to.read("Programs/Program1.txt"), "end");
        QCOMPARE(platform.shown.last(), "The setup was copied and verified.");
    }

    // The main window's programs list: kept up to date by Save once read; choosing one loads it.
    void programList()
    {
        TestCard card;
        card.addFiles({"A.mp3"});
        frmMain window(platform);
        window.chooseCardFolder(card.root());
        auto *programs = window.findChild<ProgramList *>();
        programs->popUp();
        window.findChild<QPushButton *>("cmdSave")->click();
        QCOMPARE(programs->model()->index(1, 0).data().toString(), "1  (no name), 0 entries");
        QTest::keyClick(programs, Qt::Key_Down);
        QTest::keyClick(programs, Qt::Key_Return);
        QCOMPARE(window.findChild<QLineEdit *>("txtList")->text(), "2");
    }
};

QTEST_MAIN(TestFleetWindows)
#include "tst_fleetwindows.moc"
