#include "commands/commandencoder.h"
#include "commands/commandreader.h"
#include "frmadv.h"
#include "frmmain.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;
using namespace Vexolo;

// The advanced settings window.
class TestFrmAdv : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<frmMain> m_main;

private Q_SLOTS:
    void init()
    {
        m_platform = std::make_unique<ScriptedPlatform>();
        m_main = std::make_unique<frmMain>(*m_platform);
        m_main->show();
    }

    void cleanup()
    {
        if (m_main->hasUnsavedChanges())
            m_platform->answers << PlatformAdapter::AnswerYes;
        m_main->close(); // takes the advanced window along, a hidden one too
        QVERIFY(!frmAdv::existing());
        m_main.reset();
    }

    void accessibleNames()
    {
        // Every control of both windows is named in words for a screen reader, never by its object name.
        frmAdv *window = frmAdv::instance(m_main->platform(), *m_main);
        for (const QWidget *top : std::initializer_list<const QWidget *> {m_main.get(), window}) {
            for (const QWidget *control : top->findChildren<QWidget *>(QRegularExpression("^(?!qt_).+"))) {
                const QString name = control->accessibleName();
                QVERIFY2(!name.isEmpty() && name != control->objectName(), qPrintable(control->objectName()));
            }
        }
        QCOMPARE(window->txtOutput(3, 2)->accessibleName(), u"Output 3, on time 2"_s);
        QVERIFY(window->windowTitle() == "Advanced Settings Form" && !window->windowIcon().isNull());
        // Positions in the window's content area, through the group box a control sits in.
        for (const auto &[name, at] :
             {std::pair("txtOutput3(4)", QRect(434, 317, 55, 26)), {"txtVol", {728, 30, 46, 31}}}) {
            const QWidget *control = window->findChild<QWidget *>(name);
            QVERIFY2(control && QRect(control->mapTo(window, QPoint()), control->size()) == at, name);
        }
        // A name too long for the label: all of it in the tooltip and in what Save encodes.
        const QString track = u"Live at the Grand Hall, second night, encore and the long farewell.mp3"_s;
        window->InitForm(track + " V7", false, 0);
        QVERIFY(window->lblName->toolTip() == track && window->settings().trackName == track);
    }

    void sameUnderADarkTheme()
    {
        QWidget *windows[] = {m_main.get(), frmAdv::instance(m_main->platform(), *m_main)};
        const QPalette desktop = QApplication::palette();
        const QImage light[] = {windows[0]->grab().toImage(), windows[1]->grab().toImage()};
        QApplication::setPalette(QPalette(QColor(0x35, 0x35, 0x35))); // dark grey, white text
        QApplication::processEvents();
        const bool same = windows[0]->grab().toImage() == light[0] && windows[1]->grab().toImage() == light[1];
        QApplication::setPalette(desktop);
        QVERIFY(same);
    }

    void playlistSave()
    {
        m_main->lstList->addItems({"A.mp3", "Finale.mp3"});
        m_main->lstListAdv->addItems({"A.mp35V0 P3", "Finale.mp32V7"});
        m_main->lstList->setCurrentRow(0);
        m_main->cmdListAdvanced->click();
        QPointer<frmAdv> window = frmAdv::existing();
        const auto shown = [&window] { return encodeTrackSettings(window->settings()).text; }; // as saved
        QVERIFY(window && window->chkPlayNext->isChecked() && shown() == u"A.mp35V0 P3"_s);
        QTest::mouseClick(window->cmdMinus, Qt::LeftButton);
        QCOMPARE(window->txtVol->text(), u"9"_s);
        QTest::mouseClick(window->cmdPlus, Qt::LeftButton);
        QCOMPARE(window->txtVol->text(), u"0"_s);

        // Cancel (Escape) hides the window; the next entry goes into it, and its string decides the play next tick.
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window->txtPause(0), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        m_main->lstList->setCurrentRow(1);
        m_main->cmdListAdvanced->click();
        QVERIFY(frmAdv::existing() == window && window->isVisible() && window->workingIndex() == 1);
        QCOMPARE(shown(), u"Finale.mp32V7"_s);

        // 80 characters: refused with the string; the window keeps what was typed.
        for (int i = 0; i < 10; ++i)
            QTest::keyClicks(window->txtPause(i), i < 9 ? "1234" : "123");
        QTest::keyClicks(window->txtOutput(1, 0), "12345");
        window->cmdSave->click();
        const QString refused = "Finale.mp32V7 P123" + u" P1234"_s.repeated(9) + " 1+12345";
        QCOMPARE(m_platform->shown, QStringList {"Too many times!\n80 charachters out of 79!\n" + refused});
        QVERIFY(frmAdv::existing() == window && window->isVisible());
        QCOMPARE(shown(), refused);

        // Typed anew, the string holds what the fields show and nothing of the refused one; Save ends the window.
        window->cmdClear->click();
        window->chkPlayNext->click();
        QTest::mouseClick(window->cmdPlus, Qt::LeftButton);
        QTest::mouseClick(window->cmdPlus, Qt::LeftButton);
        QTest::keyClicks(window->txtPause(1), "15");
        QTest::keyClicks(window->txtOutput(2, 0), "15");
        QTest::keyClicks(window->txtOutputAll(0), "5");
        QTest::keyClicks(window->txtOutput(8, 1), "15");
        window->cmdSave->click();
        const QString finale = u"Finale.mp37V9 1A5 2+15 P15 8-15"_s;
        QCOMPARE(m_main->lstListAdv->item(1)->text(), finale);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window);

        frmAdv::instance(m_main->platform(), *m_main)->cmdCancel->click(); // hidden, for cleanup() to close
    }

    void cardSave_data()
    {
        // The card's tracks are Café.mp3 and B.mp3, Café.mp3 with the command file given ("": none). After Save
        // Café.adv holds exactly the bytes given (UTF-8, no line end), always naming Café.mp3 itself; B.adv,
        // "../x.adv" and "a/b.adv", which a careless write would hit, stay as they were. "gone": the track is
        // deleted while the window is open.
        QTest::addColumn<QByteArray>("commandFile");
        QTest::addColumn<QByteArray>("content");
        // clang-format off
        QTest::newRow("new file") << QByteArray() << "Caf\xc3\xa9.mp3 V7"_ba;
        QTest::newRow("longer file replaced") << "Café.mp32V5 P30\r\nline 2\r\n"_ba << "Café.mp32V5 P30"_ba;
        QTest::newRow("another track's name") << "B.mp31V3 P10"_ba << "Café.mp31V3 P10"_ba;
        QTest::newRow("../x.mp3") << "../x.mp3 V7"_ba << "Café.mp3 V7"_ba;
        QTest::newRow("empty") << "\r\n"_ba << "Café.mp3 V7"_ba;
        QTest::newRow("no .mp3") << "x.txt V7"_ba << "Café.mp3 V7"_ba;
        QTest::newRow("gone") << "Café.mp35V2"_ba << QByteArray();
        // clang-format on
    }

    void cardSave()
    {
        QFETCH(QByteArray, commandFile);
        QFETCH(QByteArray, content);
        TestCard card;
        QVERIFY(card.write(u"Café.mp3"_s, {}) && card.write("B.mp3", {}) && card.write("B.adv", "kept"));
        QVERIFY(card.write("../x.adv", "kept") && card.write("a/b.adv", "kept"));
        QVERIFY(commandFile.isEmpty() || card.write(u"Café.adv"_s, commandFile));
        m_main->drvCard->setEditText(card.root());
        m_main->lstCard->setCurrentRow(1);
        m_main->cmdCardAdvanced->click();
        QVERIFY(frmAdv::existing() && frmAdv::existing()->onCard());
        QCOMPARE(frmAdv::existing()->lblName->text(), u"Café.mp3"_s);
        if (content.isEmpty())
            QVERIFY(QFile::remove(card.path(u"Café.mp3"_s)));
        frmAdv::existing()->cmdSave->click();
        // Nothing else, neither on the card nor beside it.
        QStringList entries {"card",          "card/B.adv", "card/B.mp3",   "card/Café.adv",
                             "card/Café.mp3", "card/a",     "card/a/b.adv", "x.adv"};
        if (content.isEmpty())
            entries.removeOne(u"card/Café.mp3"_s);
        QCOMPARE(card.snapshot(), entries);
        QCOMPARE(card.read(u"Café.adv"_s), content.isEmpty() ? commandFile : content);
        QCOMPARE(card.read("B.adv") + card.read("../x.adv") + card.read("a/b.adv"), "keptkeptkept"_ba);
        QCOMPARE(m_platform->shown,
                 content.isEmpty() ? QStringList {u"Could not write to file: [Café.adv]"_s} : QStringList());
    }
};

QTEST_MAIN(TestFrmAdv)
#include "tst_frmadv.moc"
