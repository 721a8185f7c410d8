#include "app/frmmain.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QComboBox>
#include <QDir>
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

QByteArray record(const QByteArray &commandString)
{
    return commandString + QByteArray(79 - commandString.size(), ' ') + "\r\n";
}

const QString Overwrite = QStringLiteral("This Playlist already exists! Overwrite?");
const QString CannotCreate = QStringLiteral("Could not create file! Destination may be write protected!");
const QString CannotList = QStringLiteral("Could not create root directory listing! Your card may be write portected!");

} // namespace

class TestProgramStorage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void saveWritesExactBytesAndLoadsBack();
    void overwriteAnsweredNoChangesNothing();
    void overwriteAnsweredYesReplaces();
    void tooLongStringChangesNothing();
    void loadReportsMissingTracksInFileOrder();
    void loadOfAbsentProgramEmptiesTheName();
    void deleteAsksAndKeepsTheNameFile();
    void noCardWritesNothingAnywhere();
    void listingOnCloseCarriesEveryTrack();
    void readOnlyCardKeepsEverything();
    void fullCardKeepsTheOldProgram();
    void removedCardGivesMessagesNotACrash();

private:
    void chooseCard();
    void addTracks(const QList<int> &cardRows);

    ScriptedPlatform *m_platform = nullptr;
    frmMain *m_window = nullptr;
    TestCard *m_card = nullptr;
};

void TestProgramStorage::init()
{
    m_card = new TestCard;
    m_platform = new ScriptedPlatform;
    m_window = new frmMain(*m_platform);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestProgramStorage::cleanup()
{
    delete m_window;
    delete m_platform;
    delete m_card;
}

void TestProgramStorage::chooseCard()
{
    m_window->drvCard->setFocus();
    m_window->drvCard->lineEdit()->clear();
    QTest::keyClicks(m_window->drvCard->lineEdit(), m_card->root());
}

void TestProgramStorage::addTracks(const QList<int> &cardRows)
{
    for (int row : cardRows) {
        m_window->lstCard->setCurrentRow(row);
        m_window->cmdAdd->click();
    }
}

void TestProgramStorage::saveWritesExactBytesAndLoadsBack()
{
    m_card->addFiles({"Intro.mp3", "Song.mp3", "Finale.mp3", "notes.txt"});
    m_card->write("Finale.adv", "Finale.mp37V9 1A5 2+15 P15 8-15");
    chooseCard();
    QCOMPARE(rows(m_window->lstCard), (QStringList{"Finale.mp3", "Intro.mp3", "Song.mp3"}));
    QVERIFY(!m_card->exists("Programs")); // choosing a card only reads it

    addTracks({1, 2});
    m_window->lstListAdv->item(1)->setText("Song.mp31V5 1+10 3+10 P30 1-40 1X60");
    QTest::keyClicks(m_window->txtName, "Party Mix");
    m_window->cmdSave->click();

    QCOMPARE(m_platform->texts(), QStringList());
    QCOMPARE(m_card->read("Programs/Program1.txt"),
             record("Intro.mp3 V7") + record("Song.mp31V5 1+10 3+10 P30 1-40 1X60") + "end");
    QCOMPARE(m_card->read("Programs/Program1.adv"), QByteArray("Party Mix"));
    QCOMPARE(m_card->read("Programs/RootDir.txt"), record("Finale.mp37V9 1A5 2+15 P15 8-15") + record("Intro.mp3 V7")
                                                       + record("Song.mp3 V7") + "end");

    m_window->cmdUp->click();
    QCOMPARE(m_window->txtList->text(), QStringLiteral("2"));
    QCOMPARE(m_window->lstList->count(), 0);
    QCOMPARE(m_window->txtName->text(), QString());
    m_window->cmdDown->click();
    QCOMPARE(rows(m_window->lstList), (QStringList{"Intro.mp3", "Song.mp3"}));
    QCOMPARE(rows(m_window->lstListAdv), (QStringList{"Intro.mp3 V7", "Song.mp31V5 1+10 3+10 P30 1-40 1X60"}));
    QCOMPARE(m_window->txtName->text(), QStringLiteral("Party Mix"));
    QCOMPARE(m_platform->texts(), QStringList());
}

void TestProgramStorage::overwriteAnsweredNoChangesNothing()
{
    m_card->addFiles({"A.mp3"});
    m_card->write("Programs/Program1.txt", record("A.mp3 V3") + "end");
    m_card->write("Programs/Program1.adv", "Old");
    chooseCard();
    QCOMPARE(m_window->txtName->text(), QStringLiteral("Old"));
    m_window->txtName->setText("New");
    m_window->cmdClear->click();
    const QStringList before = m_card->snapshot();

    m_platform->answers.enqueue(PlatformAdapter::AnswerNo);
    m_window->cmdSave->click();

    QCOMPARE(m_platform->texts(), QStringList{Overwrite});
    QCOMPARE(m_platform->shown.first().code, PlatformAdapter::QuestionYesNo);
    QCOMPARE(m_card->read("Programs/Program1.txt"), record("A.mp3 V3") + "end");
    QCOMPARE(m_card->read("Programs/Program1.adv"), QByteArray("Old"));
    QCOMPARE(m_card->snapshot(), before); // and no listing written
}

void TestProgramStorage::overwriteAnsweredYesReplaces()
{
    m_card->addFiles({"A.mp3"});
    m_card->write("Programs/Program1.txt", record("A.mp3 V3") + record("A.mp3 V4") + "end");
    chooseCard();
    m_window->cmdRemove->click(); // nothing selected: nothing removed
    m_window->lstList->setCurrentRow(0);
    m_window->cmdRemove->click();
    m_window->txtName->setText("");

    m_platform->answers.enqueue(PlatformAdapter::AnswerYes);
    m_window->cmdSave->click();

    QCOMPARE(m_platform->texts(), QStringList{Overwrite});
    QCOMPARE(m_card->read("Programs/Program1.txt"), record("A.mp3 V4") + "end");
    QCOMPARE(m_card->read("Programs/Program1.adv"), QByteArray());
    QVERIFY(m_card->exists("Programs/RootDir.txt"));
    const QStringList leftovers = QDir(m_card->path("Programs")).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(leftovers, (QStringList{"Program1.adv", "Program1.txt", "RootDir.txt"}));
}

void TestProgramStorage::tooLongStringChangesNothing()
{
    m_card->addFiles({"A.mp3"});
    m_card->write("Programs/Program1.txt", record("A.mp3 V3") + "end");
    chooseCard();
    m_window->lstListAdv->item(0)->setText(QStringLiteral("A.mp3 V7 ") + QString(76, QLatin1Char('1')));
    const QStringList before = m_card->snapshot();

    m_window->cmdSave->click();

    QCOMPARE(m_platform->texts(), QStringList{"Advanced Text length too long: 85"});
    QCOMPARE(m_platform->shown.first().code, PlatformAdapter::Plain);
    QCOMPARE(m_card->read("Programs/Program1.txt"), record("A.mp3 V3") + "end");
    QCOMPARE(m_card->snapshot(), before);
    QCOMPARE(m_window->lstList->count(), 1);
}

void TestProgramStorage::loadReportsMissingTracksInFileOrder()
{
    m_card->addFiles({"B.mp3", "D.mp3"});
    QDir(m_card->parentFolder()).mkpath("outside");
    QFile(m_card->parentFolder() + "/x.mp3").open(QIODevice::WriteOnly);
    m_card->write("Programs/Program1.txt", record("C.mp3 V7") + record("B.mp31V5") + record("../x.mp3 V7")
                                               + record("A.mp3 V2") + "end\r\n" + record("D.mp3 V7"));
    m_card->write("Programs/Program1.adv", "Mixed\r\nsecond line");
    chooseCard();

    QCOMPARE(rows(m_window->lstList), (QStringList{"B.mp3", "D.mp3"}));
    QCOMPARE(rows(m_window->lstListAdv), (QStringList{"B.mp31V5", "D.mp3 V7"}));
    QCOMPARE(m_platform->texts(),
             QStringList{"The following files were ommited since they were not found on your card!\nC.mp3\n../x.mp3\nA.mp3"});
    QCOMPARE(m_window->txtName->text(), QStringLiteral("Mixed"));
}

void TestProgramStorage::loadOfAbsentProgramEmptiesTheName()
{
    m_card->addFiles({"A.mp3"});
    m_card->write("Programs/Program2.adv", "Stale name");
    chooseCard();
    m_window->txtName->setText("typed");
    addTracks({0});
    m_window->cmdUp->click();
    QCOMPARE(m_window->lstList->count(), 0);
    QCOMPARE(m_window->lstListAdv->count(), 0);
    QCOMPARE(m_window->txtName->text(), QString());
    QCOMPARE(m_platform->texts(), QStringList());
}

void TestProgramStorage::deleteAsksAndKeepsTheNameFile()
{
    m_card->addFiles({"A.mp3"});
    m_card->write("Programs/Program3.txt", record("A.mp3 V7") + "end");
    m_card->write("Programs/Program3.adv", "Three");
    chooseCard();
    m_window->txtList->setText("2");
    m_window->cmdUp->click();
    QCOMPARE(m_window->lstList->count(), 1);
    const QString question = QStringLiteral("Are you sure you want to delete Playlist Number 3?");

    m_platform->answers.enqueue(PlatformAdapter::AnswerNo);
    m_window->cmdDelete->click();
    QVERIFY(m_card->exists("Programs/Program3.txt"));
    QCOMPARE(m_window->lstList->count(), 1);

    m_platform->answers.enqueue(PlatformAdapter::AnswerYes);
    m_window->cmdDelete->click();
    QCOMPARE(m_platform->texts(), (QStringList{question, question}));
    QVERIFY(!m_card->exists("Programs/Program3.txt"));
    QVERIFY(m_card->exists("Programs/Program3.adv"));
    QCOMPARE(m_window->lstList->count(), 0);
    QCOMPARE(m_window->lstListAdv->count(), 0);
    QCOMPARE(m_window->txtName->text(), QStringLiteral("Three"));
    QVERIFY(!m_card->exists("Programs/RootDir.txt"));

    // Nothing left to delete: no question.
    m_window->cmdDelete->click();
    QCOMPARE(m_platform->shown.size(), 2);
    QVERIFY(!m_platform->unexpectedQuestion);
}

void TestProgramStorage::noCardWritesNothingAnywhere()
{
    m_card->addFiles({"A.mp3"});
    chooseCard();
    addTracks({0});
    QVERIFY(QDir::setCurrent(m_card->parentFolder()));
    m_window->drvCard->setEditText("card"); // relative: names no card
    QCOMPARE(m_window->lstList->count(), 1);
    const QStringList before = m_card->snapshot();

    m_window->cmdSave->click();
    m_window->cmdDelete->click();
    QCOMPARE(m_platform->shown.size(), 2);
    QCOMPARE(m_platform->shown[0].code, PlatformAdapter::Caution);
    QCOMPARE(m_platform->shown[1].code, PlatformAdapter::Caution);

    m_window->txtName->setText("x");
    m_window->cmdLoad->click();
    QCOMPARE(m_window->lstList->count(), 0);
    QCOMPARE(m_window->txtName->text(), QString());

    m_window->close();
    QCOMPARE(m_card->snapshot(), before);
    QCOMPARE(m_platform->shown.size(), 2);
}

void TestProgramStorage::listingOnCloseCarriesEveryTrack()
{
    const QString longName = QString(77, QLatin1Char('n')) + QStringLiteral(".mp3");
    m_card->addFiles({"A.mp3", "B.mp3", longName});
    m_card->write("B.adv", "B.mp31V5 P30");
    m_card->write("Programs/RootDir.txt", QByteArray(500, 'o'));
    chooseCard();
    m_window->close();
    QCOMPARE(m_card->read("Programs/RootDir.txt"), record("A.mp3 V7") + record("B.mp31V5 P30")
                                                       + longName.toUtf8() + " V7\r\n" + "end");
    QCOMPARE(m_platform->texts(), QStringList());
}

void TestProgramStorage::readOnlyCardKeepsEverything()
{
    if (!m_card->mountTmpfs(1 << 20))
        QSKIP("mounting a tmpfs is not permitted here");
    m_card->addFiles({"A.mp3"});
    m_card->write("Programs/Program1.txt", record("A.mp3 V3") + "end");
    m_card->write("Programs/RootDir.txt", "old listing");
    QVERIFY(m_card->makeReadOnly());
    chooseCard();
    const QStringList before = m_card->snapshot();

    m_platform->answers.enqueue(PlatformAdapter::AnswerYes);
    m_window->cmdSave->click();
    QCOMPARE(m_platform->texts(), (QStringList{Overwrite, CannotCreate, CannotList}));
    QCOMPARE(m_platform->shown[1].code, PlatformAdapter::Caution);
    QCOMPARE(m_platform->shown[2].code, PlatformAdapter::Caution);

    m_platform->answers.enqueue(PlatformAdapter::AnswerYes);
    m_window->cmdDelete->click();
    QCOMPARE(m_platform->shown.size(), 5); // the question and the failure, not silence
    QCOMPARE(m_window->lstList->count(), 1);

    m_window->close();
    QCOMPARE(m_platform->texts().last(), CannotList);
    QCOMPARE(m_card->snapshot(), before);
    QCOMPARE(m_card->read("Programs/Program1.txt"), record("A.mp3 V3") + "end");
    QCOMPARE(m_card->read("Programs/RootDir.txt"), QByteArray("old listing"));
}

void TestProgramStorage::fullCardKeepsTheOldProgram()
{
    if (!m_card->mountTmpfs(64 * 1024))
        QSKIP("mounting a tmpfs is not permitted here");
    m_card->addFiles({"A.mp3"});
    const QByteArray old = record("A.mp3 V3") + "end";
    m_card->write("Programs/Program1.txt", old);
    chooseCard();
    m_window->cmdAddAll->click();
    for (int i = 0; i < 200; ++i)
        m_window->cmdAddAll->click();
    m_card->fill();

    m_platform->answers.enqueue(PlatformAdapter::AnswerYes);
    m_window->cmdSave->click();
    QCOMPARE(m_platform->texts().value(1), CannotCreate);
    QCOMPARE(m_card->read("Programs/Program1.txt"), old);
    const QStringList programs = QDir(m_card->path("Programs")).entryList(QDir::Files | QDir::Hidden);
    QVERIFY2(!programs.join(',').contains("tmp", Qt::CaseInsensitive), qPrintable(programs.join(',')));
}

void TestProgramStorage::removedCardGivesMessagesNotACrash()
{
    m_card->addFiles({"A.mp3", "B.mp3"});
    chooseCard();
    addTracks({0, 1});
    QVERIFY(QDir(m_card->root()).removeRecursively());

    m_window->cmdSave->click();
    m_window->cmdLoad->click();
    m_window->cmdAddAll->click();
    m_window->close();
    QVERIFY(!QFileInfo::exists(m_card->root()));
    QVERIFY(!m_platform->shown.isEmpty());
    QCOMPARE(m_platform->shown.first().code, PlatformAdapter::Caution);
}

QTEST_MAIN(TestProgramStorage)
#include "tst_programstorage.moc"
