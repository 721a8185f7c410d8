#include "app/frmmain.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

namespace {

QStringList rows(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

int selectedRow(const QListWidget *list)
{
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

} // namespace

class TestPlaylistEditing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void addBringsTheTracksCommandString();
    void addWithoutSelectionDoesNothing();
    void addAllAppendsEveryTrackAfterExistingEntries();
    void removeKeepsOtherStringsWithTheirTracks();
    void moveAtTheEnds_data();
    void moveAtTheEnds();
    void clearKeepsNumberAndName();
    void playlistNumberWraps_data();
    void playlistNumberWraps();
    void dragMovesTheCommandStringToo();
    void invariantHoldsAfterRandomEditing();

private:
    // Adds the card rows given, in order, with ">" and tags each entry's string so that every
    // entry can be told apart, even the same track added twice.
    void addTagged(const QList<int> &cardRows);

    ScriptedPlatform *m_platform = nullptr;
    frmMain *m_window = nullptr;
    TestCard *m_card = nullptr;
};

void TestPlaylistEditing::init()
{
    m_card = new TestCard;
    m_card->addFiles({"A.mp3", "B.mp3", "C.mp3", "D.mp3"});
    m_card->write("B.adv", "B.mp31V5 P30");
    m_platform = new ScriptedPlatform;
    m_window = new frmMain(*m_platform);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_window->drvCard->setEditText(m_card->root());
    QCOMPARE(m_window->lstCard->count(), 4);
    m_window->cmdClear_Action();
}

void TestPlaylistEditing::cleanup()
{
    delete m_window;
    delete m_platform;
    delete m_card;
}

void TestPlaylistEditing::addTagged(const QList<int> &cardRows)
{
    for (int cardRow : cardRows) {
        m_window->lstCard->setCurrentRow(cardRow);
        m_window->cmdAdd->click();
        QListWidgetItem *added = m_window->lstListAdv->item(m_window->lstListAdv->count() - 1);
        added->setText(added->text() + QStringLiteral(" P%1").arg(m_window->lstListAdv->count()));
    }
}

void TestPlaylistEditing::addBringsTheTracksCommandString()
{
    m_window->lstCard->setCurrentRow(1);
    m_window->cmdAdd->click();
    const QPoint first = m_window->lstCard->visualItemRect(m_window->lstCard->item(0)).center();
    QTest::mouseClick(m_window->lstCard->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(m_window->lstCard->viewport(), Qt::LeftButton, {}, first);
    m_window->lstCard->setCurrentRow(1);
    m_window->cmdAdd->click();

    QCOMPARE(rows(m_window->lstList), (QStringList{"B.mp3", "A.mp3", "B.mp3"}));
    QCOMPARE(rows(m_window->lstListAdv), (QStringList{"B.mp31V5 P30", "A.mp3 V7", "B.mp31V5 P30"}));
    QCOMPARE(selectedRow(m_window->lstList), -1);
}

void TestPlaylistEditing::addWithoutSelectionDoesNothing()
{
    m_window->lstCard->clearSelection();
    m_window->cmdAdd->click();
    QCOMPARE(m_window->lstList->count(), 0);
    QCOMPARE(m_window->lstListAdv->count(), 0);
}

void TestPlaylistEditing::addAllAppendsEveryTrackAfterExistingEntries()
{
    addTagged({3});
    m_window->cmdAddAll->click();
    QCOMPARE(rows(m_window->lstList), (QStringList{"D.mp3", "A.mp3", "B.mp3", "C.mp3", "D.mp3"}));
    QCOMPARE(rows(m_window->lstListAdv),
             (QStringList{"D.mp3 V7 P1", "A.mp3 V7", "B.mp31V5 P30", "C.mp3 V7", "D.mp3 V7"}));
}

void TestPlaylistEditing::removeKeepsOtherStringsWithTheirTracks()
{
    addTagged({0, 1, 2});
    m_window->lstList->setCurrentRow(1);
    m_window->cmdRemove->click();
    QCOMPARE(rows(m_window->lstList), (QStringList{"A.mp3", "C.mp3"}));
    QCOMPARE(rows(m_window->lstListAdv), (QStringList{"A.mp3 V7 P1", "C.mp3 V7 P3"}));
    QCOMPARE(selectedRow(m_window->lstList), -1);

    // With nothing selected, Remove does nothing.
    m_window->cmdRemove->click();
    QCOMPARE(m_window->lstList->count(), 2);
}

void TestPlaylistEditing::moveAtTheEnds_data()
{
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("selectedAfter");

    const QStringList unchanged{"A.mp3", "B.mp3", "C.mp3"};
    QTest::newRow("up on first") << true << 0 << unchanged << 0;
    QTest::newRow("down on last") << false << 2 << unchanged << 2;
    QTest::newRow("up without selection") << true << -1 << unchanged << -1;
    QTest::newRow("down without selection") << false << -1 << unchanged << -1;
    QTest::newRow("down on first") << false << 0 << QStringList{"B.mp3", "A.mp3", "C.mp3"} << 1;
    QTest::newRow("up on last") << true << 2 << QStringList{"A.mp3", "C.mp3", "B.mp3"} << 1;
}

void TestPlaylistEditing::moveAtTheEnds()
{
    QFETCH(bool, up);
    QFETCH(int, selected);
    QFETCH(QStringList, expected);
    QFETCH(int, selectedAfter);

    addTagged({0, 1, 2});
    if (selected >= 0)
        m_window->lstList->setCurrentRow(selected);
    else
        m_window->lstList->clearSelection();
    (up ? m_window->cmdMoveUp : m_window->cmdMoveDown)->click();

    QCOMPARE(rows(m_window->lstList), expected);
    for (int row = 0; row < expected.size(); ++row)
        QVERIFY(m_window->lstListAdv->item(row)->text().startsWith(expected[row]));
    QCOMPARE(selectedRow(m_window->lstList), selectedAfter);
}

void TestPlaylistEditing::clearKeepsNumberAndName()
{
    addTagged({0, 1, 2, 3, 0});
    m_window->txtName->setText("Party");
    m_window->cmdClear->click();
    QCOMPARE(m_window->lstList->count(), 0);
    QCOMPARE(m_window->lstListAdv->count(), 0);
    QCOMPARE(m_window->txtList->text(), QStringLiteral("1"));
    QCOMPARE(m_window->txtName->text(), QStringLiteral("Party"));
}

void TestPlaylistEditing::playlistNumberWraps_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("plus");
    QTest::addColumn<QString>("expected");

    QTest::newRow("minus at 0") << "0" << false << "9";
    QTest::newRow("plus at 9") << "9" << true << "0";
    QTest::newRow("minus at 1") << "1" << false << "0";
    QTest::newRow("plus at 1") << "1" << true << "2";
}

void TestPlaylistEditing::playlistNumberWraps()
{
    QFETCH(QString, start);
    QFETCH(bool, plus);
    QFETCH(QString, expected);

    m_window->txtList->setText(start);
    (plus ? m_window->cmdUp : m_window->cmdDown)->click();
    QCOMPARE(m_window->txtList->text(), expected);
}

void TestPlaylistEditing::dragMovesTheCommandStringToo()
{
    addTagged({0, 1, 2, 3});
    // A drop in the list arrives as a row move of its model, as QListWidget's internal move does.
    QVERIFY(m_window->lstList->model()->moveRow(QModelIndex(), 0, QModelIndex(), 4));
    QCOMPARE(rows(m_window->lstList), (QStringList{"B.mp3", "C.mp3", "D.mp3", "A.mp3"}));
    QCOMPARE(rows(m_window->lstListAdv),
             (QStringList{"B.mp31V5 P30 P2", "C.mp3 V7 P3", "D.mp3 V7 P4", "A.mp3 V7 P1"}));
    QVERIFY(m_window->lstList->model()->moveRow(QModelIndex(), 2, QModelIndex(), 0));
    QCOMPARE(rows(m_window->lstListAdv),
             (QStringList{"D.mp3 V7 P4", "B.mp31V5 P30 P2", "C.mp3 V7 P3", "A.mp3 V7 P1"}));
}

void TestPlaylistEditing::invariantHoldsAfterRandomEditing()
{
    QRandomGenerator random(20261206);
    // The expected playlist, as (track, tagged string) pairs.
    QList<QPair<QString, QString>> expected;
    int tag = 0;
    for (int step = 0; step < 600; ++step) {
        const int count = int(expected.size());
        const int selected = count ? random.bounded(-1, count) : -1;
        if (selected >= 0)
            m_window->lstList->setCurrentRow(selected);
        else
            m_window->lstList->clearSelection();

        switch (random.bounded(8)) {
        case 0:
        case 1: {
            const int cardRow = random.bounded(4);
            m_window->lstCard->setCurrentRow(cardRow);
            m_window->cmdAdd->click();
            const QString tagged = m_window->lstListAdv->item(count)->text() + QStringLiteral(" P%1").arg(++tag);
            m_window->lstListAdv->item(count)->setText(tagged);
            expected.append({m_window->lstCard->item(cardRow)->text(), tagged});
            break;
        }
        case 2:
            m_window->cmdRemove->click();
            if (selected >= 0)
                expected.removeAt(selected);
            break;
        case 3:
            m_window->cmdMoveUp->click();
            if (selected > 0)
                expected.swapItemsAt(selected, selected - 1);
            break;
        case 4:
            m_window->cmdMoveDown->click();
            if (selected >= 0 && selected < count - 1)
                expected.swapItemsAt(selected, selected + 1);
            break;
        case 5:
        case 6: {
            if (count < 2)
                break;
            const int from = random.bounded(count);
            const int to = random.bounded(count + 1);
            if (to == from || to == from + 1)
                break;
            QVERIFY(m_window->lstList->model()->moveRow(QModelIndex(), from, QModelIndex(), to));
            expected.move(from, to > from ? to - 1 : to);
            break;
        }
        case 7:
            if (random.bounded(10) == 0) {
                m_window->cmdClear->click();
                expected.clear();
            }
            break;
        }

        QCOMPARE(m_window->lstList->count(), expected.size());
        QCOMPARE(m_window->lstListAdv->count(), expected.size());
        for (int row = 0; row < expected.size(); ++row) {
            QCOMPARE(m_window->lstList->item(row)->text(), expected[row].first);
            QCOMPARE(m_window->lstListAdv->item(row)->text(), expected[row].second);
        }
    }
}

QTEST_MAIN(TestPlaylistEditing)
#include "tst_playlistediting.moc"
