#include "card/tracknames.h"
#include "frmmain.h"
#include "support/helpers.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QtTest>
#include <QtWidgets>

using namespace Vexolo;

class TestPlaylistEditing : public QObject
{
    Q_OBJECT

    ScriptedPlatform m_platform;
    std::unique_ptr<TestCard> m_card;
    std::unique_ptr<frmMain> m_window;

private Q_SLOTS:
    void init()
    {
        m_card = std::make_unique<TestCard>();
        m_card->addFiles({"A.mp3", "B.mp3", "C.mp3"});
        m_card->write("B.adv", "B.mp31V5 P30");
        m_window = std::make_unique<frmMain>(m_platform);
        m_window->drvCard->setEditText(m_card->root());
    }

    void addingBringsEachTracksCommandString()
    {
        m_window->cmdAdd->click(); // nothing selected: nothing added
        m_window->lstCard->setCurrentRow(1);
        m_window->cmdAdd->click();
        const QPoint first = m_window->lstCard->visualItemRect(m_window->lstCard->item(0)).center();
        QTest::mouseClick(m_window->lstCard->viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(m_window->lstCard->viewport(), Qt::LeftButton, {}, first);
        m_window->txtName->setText("Party");
        m_window->cmdAddAll->click();
        QCOMPARE(frmMain::rowTexts(m_window->lstList), (QStringList {"B.mp3", "A.mp3", "A.mp3", "B.mp3", "C.mp3"}));
        QCOMPARE(frmMain::rowTexts(m_window->lstListAdv),
                 (QStringList {"B.mp31V5 P30", "A.mp3 V7", "A.mp3 V7", "B.mp31V5 P30", "C.mp3 V7"}));
        m_window->cmdClear->click();
        QCOMPARE(m_window->lstList->count() + m_window->lstListAdv->count(), 0);
        QCOMPARE(m_window->txtName->text() + m_window->txtList->text(), QStringLiteral("Party1"));
    }

    void moveAtTheEnds()
    {
        // Up or down, the row selected before and after (-1: none), the playlist after.
        const QList<std::tuple<bool, int, int, QString>> cases {{true, 0, 0, "ABC"},   {false, 2, 2, "ABC"},
                                                                {true, -1, -1, "ABC"}, {false, -1, -1, "ABC"},
                                                                {false, 0, 1, "BAC"},  {true, 2, 1, "ACB"}};
        for (const auto &[up, selected, selectedAfter, expected] : cases) {
            m_window->cmdClear->click();
            m_window->cmdAddAll->click();
            m_window->lstList->setCurrentRow(selected);
            (up ? m_window->cmdMoveUp : m_window->cmdMoveDown)->click();
            QCOMPARE(frmMain::rowTexts(m_window->lstList).join("").remove(".mp3"), expected);
            QCOMPARE(frmMain::rowTexts(m_window->lstListAdv).join("").remove(".mp31V5 P30").remove(".mp3 V7"),
                     expected);
            QCOMPARE(frmMain::selectedRow(m_window->lstList), selectedAfter);
        }
    }

    void listsStayInStepAfterRandomEditing()
    {
        // Every entry gets a unique string, so a string that strays from its track is seen at once.
        QRandomGenerator random(20261206);
        QList<QPair<QString, QString>> expected;
        for (int step = 0, tag = 0; step < 600; ++step) {
            const int count = int(expected.size());
            const int selected = count ? random.bounded(-1, count) : -1;
            m_window->lstList->setCurrentRow(selected);
            const int operation = random.bounded(7);
            if (operation <= 1) {
                m_window->lstCard->setCurrentRow(random.bounded(3));
                m_window->cmdAdd->click();
                m_window->lstListAdv->item(count)->setText(QString::number(++tag));
                expected.append({m_window->lstCard->currentItem()->text(), QString::number(tag)});
            } else if (operation == 2) {
                m_window->cmdRemove->click();
                if (selected >= 0)
                    expected.removeAt(selected);
            } else if (operation == 3) {
                m_window->cmdMoveUp->click();
                if (selected > 0)
                    expected.swapItemsAt(selected, selected - 1);
            } else if (operation == 4) {
                m_window->cmdMoveDown->click();
                if (selected >= 0 && selected < count - 1)
                    expected.swapItemsAt(selected, selected + 1);
            } else if (count > 1) {
                // A drop arrives as a row move of the list's model, as QListWidget's internal move does.
                const int from = random.bounded(count);
                const int to = random.bounded(count + 1);
                if (to != from && to != from + 1) {
                    QVERIFY(m_window->lstList->model()->moveRow(QModelIndex(), from, QModelIndex(), to));
                    expected.move(from, to > from ? to - 1 : to);
                }
            }
            QStringList names, strings;
            for (const auto &[name, string] : std::as_const(expected))
                names.append(name), strings.append(string);
            QCOMPARE(frmMain::rowTexts(m_window->lstList), names);
            QCOMPARE(frmMain::rowTexts(m_window->lstListAdv), strings);
        }
    }
};

QTEST_MAIN(TestPlaylistEditing)
#include "tst_playlistediting.moc"
