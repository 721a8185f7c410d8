#include "app/frmmain.h"
#include "commands/frmadv.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

using Fields = QMap<QString, QString>; // objectName -> text of the time fields that are not empty

// "txtPause(0)=30" pairs.
Fields fields(const QStringList &pairs)
{
    Fields result;
    for (const QString &pair : pairs) {
        const qsizetype at = pair.indexOf(QLatin1Char('='));
        result.insert(pair.left(at), pair.mid(at + 1));
    }
    return result;
}

QList<QLineEdit *> timeFields(const frmAdv *window)
{
    QList<QLineEdit *> result;
    for (int i = 0; i < 10; ++i) {
        result.append(window->txtPause(i));
        for (int output = 1; output <= 8; ++output)
            result.append(window->txtOutput(output, i));
        result.append(window->txtOutputAll(i));
    }
    return result;
}

Fields shownTimes(const frmAdv *window)
{
    Fields result;
    for (const QLineEdit *field : timeFields(window)) {
        if (!field->text().isEmpty())
            result.insert(field->objectName(), field->text());
    }
    return result;
}

// The selected fade option's name, "" when none.
QString fadeShown(const frmAdv *window)
{
    for (const QRadioButton *option : {window->optFadeNorm, window->optFade1, window->optFade2}) {
        if (option->isChecked())
            return option->objectName();
    }
    return {};
}

QStringList rows(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

// The offscreen platform cannot stack windows and says so on every raise(); nothing else is hidden.
QtMessageHandler testlibHandler = nullptr;

void dropOffscreenRaiseNotice(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message == QLatin1String("This plugin does not support raise()"))
        return;
    testlibHandler(type, context, message);
}

void flushDeletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QFont arial(int pixelSize, bool bold = false, bool italic = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

} // namespace

class TestFrmAdv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void controls_data();
    void controls();
    void window();
    void readingShowsTheFields_data();
    void readingShowsTheFields();
    void savingTypedFormHandsStringToPlaylistRow_data();
    void savingTypedFormHandsStringToPlaylistRow();
    void tooLongStringKeepsWindowAndFields();
    void newInitFormReplacesTrackAndSaveHitsItsRow();
    void doubleClickOpensPlaylistEntry();
    void nothingSelectedOpensNothing();
    void rowGoneBeforeSave();
    void cardHandoverWritesExactBytes_data();
    void cardHandoverWritesExactBytes();
    void hostileLabelsWriteNothing_data();
    void hostileLabelsWriteNothing();
    void noCardWritesNothing_data();
    void noCardWritesNothing();
    void cancelThenNewTrackResetsPlayNext();
    void volumeButtonsWrap_data();
    void volumeButtonsWrap();
    void clearAllValuesKeepsOptions();
    void lifecycle();

private:
    // Fills the playlist with tracks and their strings, selects row and presses "Advanced".
    frmAdv *openPlaylistEntry(const QStringList &tracks, const QStringList &strings, int row);
    void chooseCard();

    ScriptedPlatform *m_platform = nullptr;
    frmMain *m_main = nullptr;
    TestCard *m_card = nullptr;
};

void TestFrmAdv::initTestCase()
{
    testlibHandler = qInstallMessageHandler(dropOffscreenRaiseNotice);
}

void TestFrmAdv::init()
{
    m_card = new TestCard;
    m_card->addFiles({"Song.mp3", "Finale.mp3"});
    m_platform = new ScriptedPlatform;
    m_platform->volumeList = {m_card->root()};
    m_main = new frmMain(*m_platform);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main));
}

void TestFrmAdv::cleanup()
{
    delete m_main;
    flushDeletions();
    QVERIFY(!frmAdv::existing());
    QVERIFY(!m_platform->unexpectedQuestion);
    delete m_platform;
    delete m_card;
}

void TestFrmAdv::chooseCard()
{
    m_main->drvCard->setEditText(m_card->root());
    QCOMPARE(m_main->cardRoot(), m_card->root());
}

frmAdv *TestFrmAdv::openPlaylistEntry(const QStringList &tracks, const QStringList &strings, int row)
{
    m_main->lstList->clear();
    m_main->lstListAdv->clear();
    m_main->lstList->addItems(tracks);
    m_main->lstListAdv->addItems(strings);
    m_main->lstList->setCurrentRow(row);
    m_main->cmdListAdvanced->click();
    return frmAdv::existing();
}

void TestFrmAdv::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry"); // relative to the window's content area
    QTest::addColumn<QString>("inside");
    QTest::addColumn<QFont>("font"); // QFont() for the system font
    QTest::addColumn<int>("alignment"); // labels and fields only
    QTest::addColumn<QColor>("colour"); // text of labels and fields
    QTest::addColumn<QColor>("background"); // fields only

    const QString window = QStringLiteral("frmAdv");
    const QFont system;
    const QFont italic18 = arial(18, false, true);
    const QFont plain18 = arial(18);
    const QColor none;
    const QColor black(Qt::black);
    const QColor grey(0xd8, 0xd8, 0xd8);
    const int left = Qt::AlignLeft;
    const int right = Qt::AlignRight;
    const int centre = Qt::AlignHCenter;
    auto row = [](const QString &name) -> QTestData & { return QTest::newRow(qPrintable(name)); };
    auto box = [&](const char *name, QRect geometry) {
        row(name) << "QGroupBox" << "" << geometry << window << system << 0 << none << none;
    };
    auto button = [&](const char *name, const char *kind, const char *caption, QRect geometry, const QString &inside,
                      const QFont &font) {
        row(name) << kind << caption << geometry << inside << font << 0 << none << none;
    };

    row("lblName") << "QLabel" << "Track Name" << QRect(20, 21, 515, 47) << window << arial(20, true, true) << centre
                   << black << none;
    box("frameVolume", {547, 14, 289, 55});
    row("lblVolume") << "QLabel" << "Volume" << QRect(560, 30, 68, 31) << "frameVolume" << italic18 << left << black
                     << none;
    button("cmdMinus", "QPushButton", "-", {686, 30, 30, 31}, "frameVolume", system);
    row("txtVol") << "QLineEdit" << "7" << QRect(728, 30, 46, 31) << "frameVolume" << plain18 << centre << black
                  << QColor(Qt::white);
    button("cmdPlus", "QPushButton", "+", {786, 30, 30, 31}, "frameVolume", system);
    box("GroupBox1", {20, 70, 816, 55});
    row("lblPause") << "QLabel" << "Auto Pause" << QRect(35, 86, 108, 28) << "GroupBox1" << italic18 << right << black
                    << none;
    for (int i = 0; i < 10; ++i) {
        row(QStringLiteral("txtPause(%1)").arg(i)) << "QLineEdit" << "" << QRect(166 + 67 * i, 86, 55, 28)
                                                    << "GroupBox1" << plain18 << centre << black << grey;
    }
    box("GroupBox3", {20, 128, 628, 54});
    row("lblFade") << "QLabel" << "Remote Fade" << QRect(35, 144, 108, 28) << "GroupBox3" << italic18 << right << black
                   << none;
    button("optFadeNorm", "QRadioButton", "Fade && Que Next", {166, 151, 128, 16}, "GroupBox3", arial(12));
    button("optFade1", "QRadioButton", "Fade - Que && Play Next", {300, 151, 172, 16}, "GroupBox3", arial(12));
    button("optFade2", "QRadioButton", "No Fade - Que && Play Next", {460, 151, 174, 16}, "GroupBox3", arial(12));
    box("GroupBox4", {654, 128, 182, 54});
    // The desktop font does not fit the caption into 131 pixels.
    button("chkPlayNext", "QCheckBox", "Auto Play Next Track", {680, 149, 131, 20}, "GroupBox4", arial(11));
    box("GroupBox2", {20, 184, 816, 409});
    row("lblOutput") << "QLabel" << "Outputs" << QRect(35, 201, 108, 28) << "GroupBox2" << italic18 << right << black
                     << none;
    for (int i = 0; i < 10; ++i) {
        const bool on = i % 2 == 0;
        row(QStringLiteral("lblOnOff(%1)").arg(i))
            << "QLabel" << (on ? "On" : "Off") << QRect(166 + 67 * i, 201, 55, 28) << "GroupBox2" << arial(16)
            << centre << (on ? QColor(0x00, 0x80, 0x00) : QColor(0xff, 0x00, 0x00)) << none;
    }
    for (int r = 1; r <= 9; ++r) {
        const int top = 241 + 38 * (r - 1);
        row(QStringLiteral("StaticText%1").arg(r)) << "QLabel" << (r == 9 ? QStringLiteral("ALL") : QString::number(r))
                                                   << QRect(68, top, 75, 26) << "GroupBox2" << italic18 << right
                                                   << black << none;
        const QString rowName = r == 9 ? QStringLiteral("txtOutputAll") : QStringLiteral("txtOutput%1").arg(r);
        for (int i = 0; i < 10; ++i) {
            row(QStringLiteral("%1(%2)").arg(rowName).arg(i)) << "QLineEdit" << "" << QRect(166 + 67 * i, top, 55, 26)
                                                              << "GroupBox2" << plain18 << centre << black << grey;
        }
    }
    button("cmdSave", "QPushButton", "Save", {205, 616, 150, 26}, window, system);
    button("cmdCancel", "QPushButton", "Cancel", {367, 616, 150, 26}, window, system);
    button("cmdClear", "QPushButton", "Clear All Values", {586, 616, 130, 26}, window, system);
}

void TestFrmAdv::controls()
{
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(QString, inside);
    QFETCH(QFont, font);
    QFETCH(int, alignment);
    QFETCH(QColor, colour);
    QFETCH(QColor, background);

    frmAdv *window = frmAdv::instance(*m_main);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QList<QWidget *> found = window->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *control = found.first();
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
    QCOMPARE(control->parentWidget()->objectName(), inside);
    QCOMPARE(QRect(control->mapTo(window, QPoint(0, 0)), control->size()), geometry);

    QString text;
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        text = button->text();
    else if (auto *label = qobject_cast<QLabel *>(control))
        text = label->text();
    else if (auto *field = qobject_cast<QLineEdit *>(control))
        text = field->text();
    else if (auto *box = qobject_cast<QGroupBox *>(control))
        text = box->title();
    QCOMPARE(text, caption);

    // Named as the user reads it: a doubled "&" shows as one; a text field after the control.
    QString accessible = caption.isEmpty() || kind == QLatin1String("QLineEdit") ? name : caption;
    accessible.replace(QLatin1String("&&"), QLatin1String("&"));
    QCOMPARE(control->accessibleName(), accessible);

    const QFont expectedFont = font.family().isEmpty() ? QApplication::font(control) : font;
    QCOMPARE(control->font().family(), expectedFont.family());
    QCOMPARE(control->font().pixelSize(), expectedFont.pixelSize());
    QCOMPARE(control->font().bold(), expectedFont.bold());
    QCOMPARE(control->font().italic(), expectedFont.italic());
    if (auto *label = qobject_cast<QLabel *>(control)) {
        QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), alignment);
        QCOMPARE(label->palette().color(QPalette::WindowText), colour);
    }
    if (auto *field = qobject_cast<QLineEdit *>(control)) {
        QCOMPARE(int(field->alignment() & Qt::AlignHorizontal_Mask), alignment);
        QCOMPARE(field->palette().color(QPalette::Text), colour);
        QCOMPARE(field->palette().color(QPalette::Base), background);
    }
}

void TestFrmAdv::window()
{
    frmAdv *window = frmAdv::instance(*m_main);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("Advanced Settings Form"));
    QCOMPARE(window->size(), QSize(856, 662));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(window->windowModality(), Qt::NonModal);

    // The state at creation.
    QCOMPARE(fadeShown(window), QString());
    QVERIFY(!window->chkPlayNext->isChecked());
    QCOMPARE(window->txtVol->text(), QStringLiteral("7"));
    QVERIFY(window->txtVol->isReadOnly());
    QCOMPARE(shownTimes(window), Fields());
    for (const QPushButton *button : window->findChildren<QPushButton *>())
        QVERIFY(!button->isDefault() && !button->autoDefault());
}

void TestFrmAdv::readingShowsTheFields_data()
{
    QTest::addColumn<QString>("commandString");
    QTest::addColumn<QString>("trackName");
    QTest::addColumn<QString>("fade");
    QTest::addColumn<bool>("playNext");
    QTest::addColumn<QString>("volume");
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QString>("message");

    QTest::newRow("defaults") << "Intro.mp3 V7" << "Intro.mp3" << "optFadeNorm" << false << "7" << QStringList()
                              << "";
    QTest::newRow("song") << "Song.mp31V5 1+10 3+10 P30 1-40 1X60" << "Song.mp3" << "optFade1" << false << "5"
                          << QStringList{"txtPause(0)=30", "txtOutput1(0)=10", "txtOutput1(1)=40", "txtOutput3(0)=10",
                                         "txtOutputAll(1)=60"}
                          << "";
    QTest::newRow("finale: pause packed to the left")
        << "Finale.mp37V9 1A5 2+15 P15 8-15" << "Finale.mp3" << "optFade2" << true << "9"
        << QStringList{"txtOutputAll(0)=5", "txtOutput2(0)=15", "txtPause(0)=15", "txtOutput8(1)=15"} << "";
    QTest::newRow("sixth On time dropped")
        << "Song.mp3 V7 3+1 3+2 3+3 3+4 3+5 3+6" << "Song.mp3" << "optFadeNorm" << false << "7"
        << QStringList{"txtOutput3(0)=1", "txtOutput3(2)=2", "txtOutput3(4)=3", "txtOutput3(6)=4", "txtOutput3(8)=5"}
        << "";
    QTest::newRow("eleventh pause dropped")
        << "Song.mp3 V7 P1 P2 P3 P4 P5 P6 P7 P8 P9 P10 P11" << "Song.mp3" << "optFadeNorm" << false << "7"
        << QStringList{"txtPause(0)=1", "txtPause(1)=2", "txtPause(2)=3", "txtPause(3)=4", "txtPause(4)=5",
                       "txtPause(5)=6", "txtPause(6)=7", "txtPause(7)=8", "txtPause(8)=9", "txtPause(9)=10"}
        << "";
    QTest::newRow("X for output 2 is Off") << "Song.mp3 V7 2X10" << "Song.mp3" << "optFadeNorm" << false << "7"
                                           << QStringList{"txtOutput2(1)=10"} << "";
    QTest::newRow("ignored tokens") << "Song.mp3 V7 1Q10 9+10 0+10" << "Song.mp3" << "optFadeNorm" << false << "7"
                                    << QStringList() << "";
    QTest::newRow("volume's last character") << "Song.mp3 V12" << "Song.mp3" << "optFadeNorm" << false << "2"
                                             << QStringList() << "";
    QTest::newRow("two blanks end reading") << "Song.mp3 V7 P10  P20" << "Song.mp3" << "optFadeNorm" << false << "7"
                                            << QStringList{"txtPause(0)=10"} << "";
    QTest::newRow("name alone") << "Song.mp3" << "Song.mp3" << "" << false << "7" << QStringList() << "";
    QTest::newRow("no mode character") << "Song.mp3V3" << "Song.mp3" << "" << false << "7" << QStringList() << "";
    QTest::newRow("empty") << "" << "" << "" << false << "7" << QStringList()
                           << "Could not extract filename from string:";
    QTest::newRow("blank") << "   " << "" << "" << false << "7" << QStringList()
                           << "Could not extract filename from string:";
}

void TestFrmAdv::readingShowsTheFields()
{
    QFETCH(QString, commandString);
    QFETCH(QString, trackName);
    QFETCH(QString, fade);
    QFETCH(bool, playNext);
    QFETCH(QString, volume);
    QFETCH(QStringList, times);
    QFETCH(QString, message);

    frmAdv *window = frmAdv::instance(*m_main);
    window->InitForm(commandString, false, 0);

    QVERIFY(window->isVisible());
    QCOMPARE(window->lblName->text(), trackName);
    QCOMPARE(fadeShown(window), fade);
    QCOMPARE(window->chkPlayNext->isChecked(), playNext);
    QCOMPARE(window->txtVol->text(), volume);
    QCOMPARE(shownTimes(window), fields(times));
    QCOMPARE(m_platform->texts(), message.isEmpty() ? QStringList() : QStringList{message});
}

void TestFrmAdv::savingTypedFormHandsStringToPlaylistRow_data()
{
    QTest::addColumn<QString>("track");
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<int>("volumeSteps"); // presses of "+" (positive) or "-" (negative)
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("song") << "Song.mp3" << "optFade1" << false << -2
                          << QStringList{"txtPause(0)=30", "txtOutput1(0)=10", "txtOutput1(1)=40", "txtOutput3(0)=10",
                                         "txtOutputAll(1)=60"}
                          << "Song.mp31V5 1+10 3+10 P30 1-40 1X60";
    QTest::newRow("finale") << "Finale.mp3" << "optFade2" << true << +2
                            << QStringList{"txtPause(1)=15", "txtOutput2(0)=15", "txtOutputAll(0)=5",
                                           "txtOutput8(1)=15"}
                            << "Finale.mp37V9 1A5 2+15 P15 8-15";
}

void TestFrmAdv::savingTypedFormHandsStringToPlaylistRow()
{
    QFETCH(QString, track);
    QFETCH(QString, option);
    QFETCH(bool, tick);
    QFETCH(int, volumeSteps);
    QFETCH(QStringList, typed);
    QFETCH(QString, expected);

    frmAdv *window = openPlaylistEntry({track}, {track + QStringLiteral(" V7")}, 0);
    QVERIFY(window);
    window->findChild<QRadioButton *>(option)->click();
    if (tick)
        window->chkPlayNext->click();
    QPushButton *step = volumeSteps < 0 ? window->cmdMinus : window->cmdPlus;
    for (int i = 0; i < qAbs(volumeSteps); ++i)
        QTest::mouseClick(step, Qt::LeftButton);
    const Fields input = fields(typed);
    for (auto it = input.cbegin(); it != input.cend(); ++it)
        QTest::keyClicks(window->findChild<QLineEdit *>(it.key()), it.value());

    QTest::mouseClick(window->cmdSave, Qt::LeftButton);

    QCOMPARE(rows(m_main->lstListAdv), QStringList{expected});
    QCOMPARE(rows(m_main->lstList), QStringList{track});
    QVERIFY(m_platform->shown.isEmpty());
    QVERIFY(!frmAdv::existing());
}

void TestFrmAdv::tooLongStringKeepsWindowAndFields()
{
    frmAdv *window = openPlaylistEntry({"Song.mp3"}, {"Song.mp3 V7"}, 0);
    QVERIFY(window);
    for (int i = 0; i < 9; ++i)
        QTest::keyClicks(window->txtPause(i), "1234");
    QTest::keyClicks(window->txtPause(9), "12345");
    QTest::keyClicks(window->txtOutput(1, 0), "12345");
    const Fields typed = shownTimes(window);

    window->cmdSave->click();

    const QString rejected = QStringLiteral("Song.mp3 V7") + QStringLiteral(" P1234").repeated(9)
        + QStringLiteral(" 1+12345 P12345");
    QCOMPARE(rejected.size(), 80);
    QCOMPARE(m_platform->shown.size(), 1);
    QCOMPARE(m_platform->shown.first().text.split(QLatin1Char('\n')),
             (QStringList{"Too many times!", "80 charachters out of 79!", rejected}));
    QCOMPARE(frmAdv::existing(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(shownTimes(window), typed);
    QCOMPARE(fadeShown(window), QStringLiteral("optFadeNorm"));
    QCOMPARE(rows(m_main->lstListAdv), QStringList{"Song.mp3 V7"});

    // The second encoding starts from the fields alone.
    window->txtPause(9)->clear();
    window->txtOutput(1, 0)->clear();
    window->cmdSave->click();

    const QString accepted = QStringLiteral("Song.mp3 V7") + QStringLiteral(" P1234").repeated(9);
    QCOMPARE(rows(m_main->lstListAdv), QStringList{accepted});
    QCOMPARE(m_platform->shown.size(), 1);
    QVERIFY(!frmAdv::existing());
}

void TestFrmAdv::newInitFormReplacesTrackAndSaveHitsItsRow()
{
    frmAdv *window = openPlaylistEntry({"A.mp3", "B.mp3", "C.mp3"}, {"A.mp36V7 P5", "B.mp3 V7", "C.mp3 V3"}, 0);
    QVERIFY(window);
    QCOMPARE(window->txtPause(0)->text(), QStringLiteral("5"));

    // The main window stays usable: another entry goes into the same window.
    m_main->lstList->setCurrentRow(2);
    m_main->cmdListAdvanced->click();

    QCOMPARE(frmAdv::existing(), window);
    QCOMPARE(window->lblName->text(), QStringLiteral("C.mp3"));
    QCOMPARE(window->workingIndex(), 2);
    QVERIFY(!window->onCard());
    QCOMPARE(shownTimes(window), Fields());
    QVERIFY(!window->chkPlayNext->isChecked());
    window->cmdPlus->click();
    window->cmdSave->click();

    QCOMPARE(rows(m_main->lstListAdv), (QStringList{"A.mp36V7 P5", "B.mp3 V7", "C.mp3 V4"}));
    QCOMPARE(rows(m_main->lstList), (QStringList{"A.mp3", "B.mp3", "C.mp3"}));
}

void TestFrmAdv::doubleClickOpensPlaylistEntry()
{
    m_main->lstList->addItems({"A.mp3", "B.mp3"});
    m_main->lstListAdv->addItems({"A.mp3 V1", "B.mp3 V2"});
    // Through the window, which delivers press, release, press and double click as a desktop does.
    QWidget *viewport = m_main->lstList->viewport();
    const QPoint onRow = viewport->mapTo(m_main, m_main->lstList->visualItemRect(m_main->lstList->item(1)).center());
    QTest::mouseDClick(m_main->windowHandle(), Qt::LeftButton, {}, onRow);

    frmAdv *window = frmAdv::existing();
    QVERIFY(window);
    QCOMPARE(window->lblName->text(), QStringLiteral("B.mp3"));
    QCOMPARE(window->txtVol->text(), QStringLiteral("2"));
    QCOMPARE(window->workingIndex(), 1);
    QVERIFY(!window->onCard());
}

void TestFrmAdv::nothingSelectedOpensNothing()
{
    chooseCard();
    m_main->lstList->addItems({"A.mp3", "B.mp3"});
    m_main->lstListAdv->addItems({"A.mp3 V1", "B.mp3 V2"});
    // A current row without a selection is no selection.
    m_main->lstList->setCurrentRow(1, QItemSelectionModel::NoUpdate);
    m_main->lstCard->setCurrentRow(1, QItemSelectionModel::NoUpdate);

    m_main->cmdListAdvanced->click();
    m_main->cmdCardAdvanced->click();

    QVERIFY(!frmAdv::existing());
    QVERIFY(m_platform->shown.isEmpty());
}

void TestFrmAdv::rowGoneBeforeSave()
{
    frmAdv *window = openPlaylistEntry({"A.mp3", "B.mp3", "C.mp3"}, {"A.mp3 V7", "B.mp3 V7", "C.mp3 V7"}, 2);
    QVERIFY(window);
    m_main->lstList->setCurrentRow(0);
    m_main->cmdRemove->click();
    QCOMPARE(m_main->lstListAdv->count(), 2);

    window->cmdPlus->click();
    window->cmdSave->click();

    QCOMPARE(m_platform->texts(), QStringList{"workingIndex < listcount"});
    QCOMPARE(rows(m_main->lstListAdv), (QStringList{"B.mp3 V7", "C.mp3 V7"}));
    QVERIFY(!frmAdv::existing());
}

void TestFrmAdv::cardHandoverWritesExactBytes_data()
{
    QTest::addColumn<QString>("track");
    QTest::addColumn<QByteArray>("existing"); // the command file's content before; empty: no file
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("new file") << "Song.mp3" << QByteArray() << "Song.adv" << QByteArray("Song.mp31V5 P30");
    QTest::newRow("replaces longer file") << "Song.mp3" << QByteArray("Song.mp3 V7 P1 P2 P3 P4\r\nsecond line\r\n")
                                          << "Song.adv" << QByteArray("Song.mp31V5 P30");
    QTest::newRow("non-ASCII name in UTF-8") << "Café.mp3" << QByteArray() << "Café.adv"
                                             << QByteArray("Caf\xc3\xa9.mp31V5 P30");
}

void TestFrmAdv::cardHandoverWritesExactBytes()
{
    QFETCH(QString, track);
    QFETCH(QByteArray, existing);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, expected);

    m_card->addFiles({track});
    if (!existing.isEmpty())
        QVERIFY(m_card->write(fileName, existing));
    chooseCard();
    const QList<QListWidgetItem *> items = m_main->lstCard->findItems(track, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    m_main->lstCard->setCurrentItem(items.first());
    m_main->cmdCardAdvanced->click();
    frmAdv *window = frmAdv::existing();
    QVERIFY(window);
    QVERIFY(window->onCard());
    QCOMPARE(window->workingIndex(), m_main->lstCard->row(items.first()));

    // Whatever the track brought, the form is cleared and set anew.
    window->cmdClear->click();
    window->optFade1->click();
    window->cmdMinus->click();
    window->cmdMinus->click();
    QTest::keyClicks(window->txtPause(0), "30");
    QStringList expectedEntries = m_card->snapshot();
    if (existing.isEmpty()) {
        expectedEntries.append(QStringLiteral("card/") + fileName);
        expectedEntries.sort();
    }

    window->cmdSave->click();

    QCOMPARE(m_card->read(fileName), expected);
    QCOMPARE(m_card->snapshot(), expectedEntries);
    QVERIFY(m_platform->shown.isEmpty());
    QVERIFY(!frmAdv::existing());
}

void TestFrmAdv::hostileLabelsWriteNothing_data()
{
    QTest::addColumn<QString>("commandString");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("parent folder") << "../x.mp3 V7" << QStringList{"Could not write to file: [../x.adv]"};
    QTest::newRow("subfolder") << "a/b.mp3 V7" << QStringList{"Could not write to file: [a/b.adv]"};
    QTest::newRow("backslash") << "a\\b.mp3 V7" << QStringList{"Could not write to file: [a\\b.adv]"};
    QTest::newRow("empty") << ""
                           << QStringList{"Could not extract filename from string:", "Could not write to file: []"};
    QTest::newRow("no .mp3") << "x.txt V7" << QStringList{"Could not write to file: []"};
}

void TestFrmAdv::hostileLabelsWriteNothing()
{
    QFETCH(QString, commandString);
    QFETCH(QStringList, messages);

    // Targets that a careless write would hit.
    QVERIFY(m_card->write("../x.adv", "kept"));
    QVERIFY(m_card->write("a/b.adv", "kept"));
    chooseCard();
    frmAdv *window = frmAdv::instance(*m_main);
    window->InitForm(commandString, true, 0);
    window->cmdPlus->click();
    const QStringList before = m_card->snapshot();

    window->cmdSave->click();

    QCOMPARE(m_card->snapshot(), before);
    QCOMPARE(m_card->read("../x.adv"), QByteArray("kept"));
    QCOMPARE(m_card->read("a/b.adv"), QByteArray("kept"));
    QCOMPARE(m_platform->texts(), messages);
    QVERIFY(!frmAdv::existing());
}

void TestFrmAdv::noCardWritesNothing_data()
{
    QTest::addColumn<bool>("chosen");
    QTest::newRow("no card chosen") << false;
    QTest::newRow("card pulled while open") << true;
}

void TestFrmAdv::noCardWritesNothing()
{
    QFETCH(bool, chosen);

    if (chosen)
        chooseCard();
    frmAdv *window = frmAdv::instance(*m_main);
    window->InitForm(QStringLiteral("Song.mp3 V7"), true, 0);
    if (chosen)
        QVERIFY(QDir(m_card->root()).removeRecursively());
    const QStringList before = m_card->snapshot();

    window->cmdSave->click();

    QCOMPARE(m_card->snapshot(), before);
    QCOMPARE(m_platform->texts(), QStringList{"Could not write to file: [Song.adv]"});
    QVERIFY(!frmAdv::existing());
}

void TestFrmAdv::cancelThenNewTrackResetsPlayNext()
{
    frmAdv *window = frmAdv::instance(*m_main);
    window->InitForm(QStringLiteral("A.mp35V7 P3"), false, 0);
    QVERIFY(window->chkPlayNext->isChecked());

    window->cmdCancel->click();
    QVERIFY(!window->isVisible());
    QCOMPARE(frmAdv::existing(), window);

    QCOMPARE(frmAdv::instance(*m_main), window);
    window->InitForm(QStringLiteral("B.mp3 V7"), false, 0);
    QVERIFY(window->isVisible());
    QVERIFY(!window->chkPlayNext->isChecked());
    QCOMPARE(fadeShown(window), QStringLiteral("optFadeNorm"));
    QCOMPARE(shownTimes(window), Fields());
}

void TestFrmAdv::volumeButtonsWrap_data()
{
    QTest::addColumn<QString>("commandString");
    QTest::addColumn<bool>("plus");
    QTest::addColumn<QString>("expected");

    QTest::newRow("minus at 0") << "Song.mp3 V0" << false << "9";
    QTest::newRow("plus at 9") << "Song.mp3 V9" << true << "0";
    QTest::newRow("minus at 7") << "Song.mp3 V7" << false << "6";
}

void TestFrmAdv::volumeButtonsWrap()
{
    QFETCH(QString, commandString);
    QFETCH(bool, plus);
    QFETCH(QString, expected);

    frmAdv *window = frmAdv::instance(*m_main);
    window->InitForm(commandString, false, 0);
    QTest::mouseClick(plus ? window->cmdPlus : window->cmdMinus, Qt::LeftButton);
    QCOMPARE(window->txtVol->text(), expected);
}

void TestFrmAdv::clearAllValuesKeepsOptions()
{
    frmAdv *window = frmAdv::instance(*m_main);
    window->InitForm(QStringLiteral("Finale.mp37V9 1A5 P3"), false, 0);
    QVERIFY(!shownTimes(window).isEmpty());

    window->cmdClear->click();

    QCOMPARE(shownTimes(window), Fields());
    QCOMPARE(window->txtVol->text(), QStringLiteral("7"));
    QCOMPARE(fadeShown(window), QStringLiteral("optFade2"));
    QVERIFY(window->chkPlayNext->isChecked());
    QCOMPARE(window->lblName->text(), QStringLiteral("Finale.mp3"));
}

void TestFrmAdv::lifecycle()
{
    m_main->lstList->addItem("A.mp3");
    m_main->lstListAdv->addItem("A.mp3 V7");

    QPointer<frmAdv> first = frmAdv::instance(*m_main);
    QVERIFY(first->isVisible());
    QCOMPARE(frmAdv::instance(*m_main), first.data());

    // An accepted Save discards the window at once.
    first->InitForm(QStringLiteral("A.mp3 V7"), false, 0);
    first->cmdSave->click();
    QVERIFY(!frmAdv::existing());
    flushDeletions();
    QVERIFY(!first);

    // So does its own close button.
    QPointer<frmAdv> second = frmAdv::instance(*m_main);
    second->close();
    QVERIFY(!frmAdv::existing());
    flushDeletions();
    QVERIFY(!second);

    // And the main window's closing, even while hidden after Cancel.
    QPointer<frmAdv> third = frmAdv::instance(*m_main);
    third->cmdCancel->click();
    m_main->close();
    QVERIFY(!frmAdv::existing());
    flushDeletions();
    QVERIFY(!third);
}

QTEST_MAIN(TestFrmAdv)
#include "tst_frmadv.moc"
