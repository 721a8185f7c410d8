#include "fleet/productionpanel.h"
#include "storage/cardlock.h"
#include "storage/cardsession.h"
#include "support/helpers.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"
#include "support/windows.h"

#include <QtTest>
#include <QtWidgets>

using namespace Vexolo;
using namespace Vexolo::Ui;
using enum PlatformAdapter::Answer;

// The production line's panel: each card is shown with what will be written onto it before the first write, the
// cards done are counted, and the session's report is kept and saved.
class TestProductionPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void confirmAndCount()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        ScriptedPlatform platform;
        TestCard reference;
        reference.write("A.mp3", "aaa");
        reference.write("Programs/Program1.txt", record("A.mp3 V7") + "end");
        TestCard one;
        TestCard two;
        TestCard three;
        QVERIFY(!FleetRepository().registerPlayer({labelOf(CardStore(one)).key, "Player 1", {}, {}}).failed());
        for (const TestCard *card : {&one, &two, &three})
            platform.insertCard(card->root());
        ProductionPanel panel(
            platform, [&reference] { return reference.root(); }, nullptr);
        const auto insert = [&](const TestCard &card) {
            for (const QStringList &volumes : {QStringList(), QStringList {card.root()}}) {
                platform.volumeList = volumes;
                platform.volumesChanged();
                QVERIFY(settled());
            }
        };
        QVERIFY(settled());
        panel.chkProduce->setChecked(true);
        QCOMPARE(panel.lblCount->text(), "0 of 1 done"); // the players registered

        platform.answers << AnswerNo;
        insert(one);
        const QRegularExpression question(R"(^Write reference card onto card \(\d+(\.\d)? [MG]B, (.+)\)\?\n\n)");
        QCOMPARE(question.match(platform.shown.takeLast()).captured(2), "Player 1");
        QCOMPARE(panel.lblStatus->text(), "card: not written; the card was left as it is.");
        QCOMPARE(one.snapshot(), QStringList {"card"});

        platform.answers << AnswerYes;
        insert(one);
        QCOMPARE(panel.lblCount->text(), "1 of 1 done");
        panel.spnCount->setValue(3);
        QCOMPARE(panel.lblCount->text(), "1 of 3 done");

        // An unregistered card: its name first, then the question naming it; "for every card" asks no more.
        platform.texts << "Player 2"
                       << "Player 3";
        platform.answers << AnswerYes;
        platform.ticks << true;
        insert(two);
        insert(three);
        QCOMPARE(platform.shown.size(), 4);
        QVERIFY(platform.shown[1].startsWith("The card " + two.root() + " belongs to no player yet."));
        QCOMPARE(question.match(platform.shown[2]).captured(2), "Player 2, a new player");
        QVERIFY(platform.shown[3].startsWith("The card " + three.root()));
        QCOMPARE(three.read("A.mp3"), "aaa");
        QCOMPARE(panel.lblCount->text(), "3 of 3 done");

        const QString saved = data.filePath("report.csv");
        platform.savePaths << saved;
        panel.cmdSaveReport->click();
        QVERIFY(settled());
        QFile report(saved);
        QVERIFY(report.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = report.readAll().split('\n');
        QCOMPARE(lines.size(), 5); // a header, three cards, and the last line's end
        QVERIFY(lines[3].startsWith("card,Player 3,verified,"));
        QCOMPARE(panel.lstReport->topLevelItemCount(), 3);

        // A player registered elsewhere in the program counts at once.
        panel.spnCount->setValue(0);
        QVERIFY(!FleetRepository().registerPlayer({"path:/elsewhere", "Player 4", {}, {}}).failed());
        CardSession::instance().tell({}, CardChange::playersChanged());
        QTRY_COMPARE(panel.lblCount->text(), "3 of 4 done");

        // While a card is being made (here: waiting for another writer of it), Cancel is there to stop it.
        TestCard four;
        platform.insertCard(four.root());
        QVERIFY(!FleetRepository().registerPlayer({labelOf(CardStore(four)).key, "Player 5", {}, {}}).failed());
        std::optional<CardWriteLock> other(std::in_place, CardStore(four).identity());
        for (const QStringList &volumes : {QStringList(), QStringList {four.root()}}) {
            platform.volumeList = volumes;
            platform.volumesChanged();
        }
        QTRY_VERIFY(!panel.cmdCancel->isHidden());
        other.reset();
        QVERIFY(settled());
        QVERIFY(panel.cmdCancel->isHidden());
        QCOMPARE(four.read("A.mp3"), "aaa");
        qunsetenv("XDG_DATA_HOME");
    }
};

QTEST_MAIN(TestProductionPanel)
#include "tst_productionpanel.moc"
