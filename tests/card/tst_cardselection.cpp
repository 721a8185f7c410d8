#include "app/frmmain.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

QStringList rows(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

} // namespace

class TestCardSelection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void choosingAVolumeListsItsTracks();
    void typingReListsOnEveryChange();
    void cardWithoutTracksKeepsPlaylist();
    void refreshRefillsVolumesOnly();

private:
    ScriptedPlatform *m_platform = nullptr;
    frmMain *m_window = nullptr;
    TestCard *m_card = nullptr;
};

void TestCardSelection::init()
{
    m_card = new TestCard;
    m_card->addFiles({"b.mp3", "A.mp3", "c.txt", "TRACK 10.MP3"});
    m_platform = new ScriptedPlatform;
    m_platform->volumeList = {"/", m_card->root()};
    m_window = new frmMain(*m_platform);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestCardSelection::cleanup()
{
    delete m_window;
    delete m_platform;
    delete m_card;
}

void TestCardSelection::choosingAVolumeListsItsTracks()
{
    m_window->drvCard->setCurrentIndex(1);
    QCOMPARE(rows(m_window->lstCard), (QStringList{"A.mp3", "b.mp3", "TRACK 10.MP3"}));
    QCOMPARE(m_window->cardRoot(), m_card->root());
    QVERIFY(m_platform->shown.isEmpty());
}

void TestCardSelection::typingReListsOnEveryChange()
{
    m_window->drvCard->setFocus();
    QLineEdit *edit = m_window->drvCard->lineEdit();
    // Every prefix of the path is typed; only the full path names the card. Inline completion
    // must not turn "/" into another listed volume.
    QTest::keyClicks(edit, m_card->root().chopped(1));
    QCOMPARE(m_window->drvCard->currentText(), m_card->root().chopped(1));
    QCOMPARE(m_window->lstCard->count(), 0);
    QTest::keyClicks(edit, m_card->root().right(1));
    QCOMPARE(m_window->drvCard->currentText(), m_card->root());
    QCOMPARE(rows(m_window->lstCard), (QStringList{"A.mp3", "b.mp3", "TRACK 10.MP3"}));
    // Return must not add the typed path as a volume row.
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_window->drvCard->count(), 2);
    // A relative path names no folder, even where the working directory holds one of that name.
    QVERIFY(QDir::setCurrent(m_card->parentFolder()));
    edit->clear();
    QTest::keyClicks(edit, "card");
    QCOMPARE(m_window->lstCard->count(), 0);
}

void TestCardSelection::cardWithoutTracksKeepsPlaylist()
{
    TestCard empty;
    empty.addFiles({"notes.txt"});
    m_window->drvCard->setCurrentIndex(1);
    QCOMPARE(m_window->lstCard->count(), 3);
    m_window->lstList->addItem("kept.mp3");
    m_window->lstListAdv->addItem("kept.mp3 V7");
    m_window->drvCard->setEditText(empty.root());
    QCOMPARE(m_window->lstCard->count(), 0);
    QCOMPARE(rows(m_window->lstList), QStringList{"kept.mp3"});
    QCOMPARE(rows(m_window->lstListAdv), QStringList{"kept.mp3 V7"});
}

void TestCardSelection::refreshRefillsVolumesOnly()
{
    m_window->drvCard->setCurrentIndex(1);
    m_card->write("Programs/Program1.txt", "A.mp3 V7\r\nend");
    m_window->lstList->clear();
    m_window->lstListAdv->clear();
    m_platform->volumeList = {"/", "/media/other", m_card->root()};

    m_window->cmdRefresh->click();

    QCOMPARE(m_window->drvCard->count(), 3);
    QCOMPARE(m_window->drvCard->itemText(2), m_card->root());
    QCOMPARE(m_window->drvCard->currentIndex(), -1);
    QCOMPARE(rows(m_window->lstCard), (QStringList{"A.mp3", "b.mp3", "TRACK 10.MP3"}));
    QCOMPARE(m_window->lstList->count(), 0); // nothing was loaded
}

QTEST_MAIN(TestCardSelection)
#include "tst_cardselection.moc"
