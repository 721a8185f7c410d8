#include "advanced/frmadv.h"
#include "commands/commandreader.h"
#include "main/frmmain.h"
#include "show/programtimeline.h"
#include "show/timelineview.h"
#include "show/timelinewindow.h"
#include "show/trackmedia.h"
#include "storage/cardsession.h"
#include "storage/cardstore.h"
#include "support/helpers.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"
#include "support/windows.h"

#include <QtTest>
#include <QtWidgets>

using namespace Vexolo;

// The texts a widget draws, as the user reads them.
static QString drawnText(QWidget *widget)
{
    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath("w.pdf"));
    QPainter painter(&pdf);
    widget->render(&painter);
    painter.end();
    QProcess text; // pdftotext, from poppler-utils
    text.start("pdftotext", {dir.filePath("w.pdf"), "-"});
    text.waitForFinished();
    return QString::fromUtf8(text.readAllStandardOutput()).simplified();
}

// A card's file calls, counted, and those made on the window's thread.
class WatchedOps final : public FileOps
{
public:
    std::atomic<int> calls = 0;
    std::atomic<int> onWindowThread = 0;

    int openat(int folder, const char *name, int flags, mode_t mode) override
    {
        note();
        return FileOps::openat(folder, name, flags, mode);
    }
    ssize_t read(int fd, void *data, size_t size) override
    {
        note();
        return FileOps::read(fd, data, size);
    }

private:
    void note()
    {
        ++calls;
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            ++onWindowThread;
    }
};

// The timeline beside the advanced window with its preview and lamps, the card list's track lengths and the cue
// sheet, on real MP3 files of 30 s and 3 s made by sox and lame at test time; no sound device.
class TestShow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedPlatform platform;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
        qputenv("PULSE_SERVER", "none");
        QProcess shell;
        shell.setWorkingDirectory(m_dir.path());
        shell.start("sh",
                    {"-c",
                     "for s in 30 3; do sox -n -r 8000 t.wav synth $s sine 440 && lame --quiet t.wav $s.mp3 "
                     "|| exit 1; done"});
        if (!shell.waitForFinished(60000) || shell.exitCode() != 0)
            QSKIP("sox and lame are needed to make the test tracks");
    }

    void showOfACardTrack()
    {
        TestCard card;
        TestCard other;
        QFile::copy(m_dir.filePath("30.mp3"), card.path("A.mp3"));
        for (const QString &copy : {card.path("B.mp3"), card.path("C.mp3"), other.path("A.mp3")})
            QFile::copy(m_dir.filePath("3.mp3"), copy);
        other.addFiles({"Gone.mp3"});
        card.write("A.adv", "A.mp3 V7 1+10 1-20");
        card.write("C.adv", "C.mp32V5");
        WatchedOps ops; // the tracks' lengths, words and sound read on the card's worker alone
        frmMain window(platform, ops);
        auto *list = control<QListView>(&window, "lstCard");
        const auto tip = [list](int row) {
            const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
            QCursor::setPos(list->viewport()->mapToGlobal(at)); // where the pointer rests
            QHelpEvent help(QEvent::ToolTip, at, QCursor::pos());
            QApplication::sendEvent(list->viewport(), &help);
            return QToolTip::text();
        };
        window.chooseCardFolder(other);
        QVERIFY(settled());
        QCOMPARE(tip(0), "A.mp3\nreading the length\u2026");
        Q_EMIT window.findChild<TrackMedia *>()->lengthRead("Gone.mp3"); // another track's length: not this tip's
        QCOMPARE(QToolTip::text(), "A.mp3\nreading the length\u2026");
        QTRY_COMPARE(QToolTip::text(), "A.mp3\n0:03");
        QFile::remove(other.path("Gone.mp3"));
        tip(1);
        QTRY_COMPARE(QToolTip::text(), "Gone.mp3\nlength unknown");

        // Another card with a track of the same name: its own length.
        window.chooseCardFolder(card);
        QVERIFY(settled());
        tip(2);
        QVERIFY(settled());
        QCOMPARE(QToolTip::text(),
                 "C.mp3\nVolume 5 \u00B7 Remote: cue and play the next track without fading\n0:03"); // its own settings
        QVERIFY(QFile::remove(card.path("C.adv")));
        tip(2);
        QVERIFY(settled());
        QCOMPARE(QToolTip::text(), "C.mp3\n0:03"); // gone since: it plays as usual
        list->setCurrentIndex(list->model()->index(0, 0));
        window.cmdCardAdvanced_Action();
        QVERIFY(settled());
        frmAdv *adv = frmAdv::existing();
        const auto key = [](QWidget *target, Qt::Key code, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
            QApplication::setActiveWindow(target->window());
            QTest::keyClick(target, code, modifiers);
        };
        key(adv, Qt::Key_T);
        auto *timeline = adv->findChild<TimelineWindow *>();
        QTRY_COMPARE(timeline->lblPlayhead->text() + timeline->cboUnit->currentText(),
                     "Playhead 0.0 of 30.2 (seconds)seconds");
        QCOMPARE(timeline->preview.position(), 0); // a track opened starts at its start
        QCOMPARE(timeline->lblStatus->text(), "No sound device: the preview runs silent on its own clock.");
        tip(1); // B's length, read while the timeline shows A's
        QTRY_COMPARE(QToolTip::text(), "B.mp3\n0:03");

        QTest::keyClicks(adv->txtOutput(2, 0), "12");
        QVERIFY(timeline->lblStatus->text().contains("1 to check")); // the timeline follows the fields as typed
        adv->txtVol->setFocus(); // no time field
        key(adv, Qt::Key_Return);
        QCOMPARE(timeline->lblStatus->text(),
                 "No sound device: the preview runs silent on its own clock. 1 to check: point at the red marks for "
                 "what they mean. Click a time field in the advanced window first, then press Ctrl+Return.");
        timeline->preview.seek(12400);
        QCOMPARE(timeline->lamps->accessibleDescription(), "On: 1, 2");
        adv->txtPause(0)->setFocus();
        key(adv, Qt::Key_Return);
        Q_EMIT timeline->cboUnit->activated(1);
        QCOMPARE(timeline->preview.position(), 0);
        QCOMPARE(timeline->lblPlayhead->text(), "Playhead 0.0 of 301.7 (tenths of a second)");
        timeline->preview.seek(12400);
        QCOMPARE(timeline->lamps->accessibleDescription(), "On: 2");
        adv->txtPause(1)->setFocus();
        key(timeline, Qt::Key_Return);
        QCOMPARE(adv->settings().pauses[0] + u' ' + adv->settings().pauses[1], "12 124");

        key(timeline, Qt::Key_Space, {});
        QTRY_VERIFY(timeline->preview.position() > 12400);
        key(timeline, Qt::Key_Space, {});
        QCOMPARE(timeline->cmdPlay->text(), "Play");
        const qint64 stopped = timeline->preview.position();
        QTest::mouseClick(timeline->view, Qt::RightButton);
        QCOMPARE(timeline->preview.position(), stopped);
        QTest::mouseClick(timeline->view, Qt::LeftButton); // half way along the axis
        QVERIFY(timeline->preview.position() != stopped);
        timeline->preview.seek(30100);
        key(timeline, Qt::Key_Space, {});
        QTRY_COMPARE(timeline->cmdPlay->text(), "Play"); // at the end
        key(timeline, Qt::Key_Space, {}); // from the end: from the start again
        QCOMPARE(timeline->preview.position(), 0);
        platform.answers << PlatformAdapter::AnswerDiscard; // the typed times
        key(adv, Qt::Key_Escape, {});
        QVERIFY(!timeline->isVisible() && !timeline->preview.playing());
        window.cmdCardAdvanced_Action();
        QVERIFY(settled());
        key(adv, Qt::Key_T);
        const QPointer<TimelineWindow> shown = timeline;
        QVERIFY(shown->isVisible());
        key(timeline, Qt::Key_Escape, {}); // the timeline alone
        QVERIFY((!shown || !shown->isVisible()) && adv->isVisible());
        QVERIFY(ops.calls > 0);
        QCOMPARE(ops.onWindowThread.load(), 0);
    }

    // A card track's sound comes from the card's worker, handed to the window's thread whole: the window's thread only
    // asks and shows, so a card that is slow to answer keeps no window waiting.
    void soundOffTheWindowThread()
    {
        TestCard card;
        QFile::copy(m_dir.filePath("3.mp3"), card.path("A.mp3"));
        WatchedOps ops;
        CardStore store(card.root(), ops);
        TrackMedia media(store, nullptr, ops);
        QObject window;
        std::unique_ptr<QIODevice> sound;
        media.open("A.mp3", &window, [&sound](std::unique_ptr<QIODevice> opened) { sound = std::move(opened); });
        QTRY_VERIFY(sound);
        QFile track(card.path("A.mp3"));
        QVERIFY(track.open(QIODevice::ReadOnly));
        QVERIFY(sound->thread() == QThread::currentThread() && sound->read(64) == track.read(64));
        QVERIFY(ops.calls > 0);
        QCOMPARE(ops.onWindowThread.load(), 0);
    }

    // The whole program on one axis, as the device plays it: it follows the playlist, and leads back to it.
    void programTimeline()
    {
        TestCard card;
        QFile::copy(m_dir.filePath("30.mp3"), card.path("A.mp3"));
        QFile::copy(m_dir.filePath("3.mp3"), card.path("B.mp3"));
        card.write("Programs/Program1.txt",
                   record("A.mp35V7") + record("B.mp3 V7 P2") + record("A.mp3 V7 1+5") + "end");
        card.write("Programs/Program1.adv", "Show");
        rememberUnit(TimeUnit::Seconds); // another test chose tenths
        frmMain window(platform);
        window.chooseCardFolder(card);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window) && settled());
        QTest::keyClick(&window, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        auto *timeline = window.findChild<ProgramTimelineWindow *>();
        QCOMPARE(timeline->windowTitle(), "Program 1 Timeline: Show");
        const QString waits = " \u00b7 Waits for the remote at the auto pause at 0:02.0 \u00b7 run 1 ran %1 \u00b7 "
                              "Waits for the remote after it \u00b7 run 2 ran 0:01.1";
        QTRY_COMPARE(timeline->view()->entryTexts(),
                     QStringList({"1) A.mp3 \u00b7 starts 0:00.0 into run 1",
                                  "2) B.mp3 \u00b7 starts 0:30.1 into run 1" + waits.arg("0:32.1"),
                                  "3) A.mp3 \u00b7 starts 0:00.0 into run 3 \u00b7 End of the program \u00b7 run 3 ran "
                                  "0:30.1 \u00b7 1 to check"}));
        ProgramTimelineView *view = timeline->view();
        QCOMPARE(control<QLabel>(timeline, "lblStatus")->text().section(' ', 0, 4), "Total 1:03.5 in 3 runs.");
        // Each run's running time in full under it, however narrow its entries.
        QVERIFY(drawnText(view).contains("Waits for the remote at the auto pause at 0:02.0 \u00b7 run 1 ran 0:32.1 "
                                         "Waits for the remote after it \u00b7 run 2 ran 0:01.1"));
        int end = 24;
        while (view->entryAt(end) == 0)
            ++end;
        QCOMPARE(view->entryAt(end + 2), 1); // B plays on after A: no break between them

        // Rehearsed as the device plays it, Space as the remote: from the current entry, on by itself, waiting at an
        // auto pause and after a track that does not play on, then fading.
        auto *playlist = control<QListView>(&window, "lstList");
        const auto space = [timeline] {
            QApplication::setActiveWindow(timeline);
            QTest::keyClick(timeline, Qt::Key_Space);
        };
        playlist->setCurrentIndex({}); // none: from the first entry, which the playlist then shows
        space();
        QCOMPARE(playlist->currentIndex().row(), 0);
        QTRY_COMPARE(timeline->lblPlaying->text(),
                     "1) A.mp3 plays \u00b7 0:00.0 \u00b7 Space fades it and cues the next "
                     "(silent)");
        timeline->preview.seek(30000);
        QTRY_COMPARE(playlist->currentIndex().row(), 1);
        QVERIFY(settled()); // its track opened: it plays from where it is put
        timeline->preview.seek(1900);
        QTRY_COMPARE(timeline->lblPlaying->text(),
                     "2) B.mp3 waits for the remote at the auto pause at 0:02.0 \u00b7 "
                     "Space plays on (silent)");
        space();
        timeline->preview.seek(3000);
        QTRY_COMPARE(timeline->lblPlaying->text(),
                     "3) A.mp3 is cued and waits for the remote \u00b7 Space plays it "
                     "(silent)");
        QCOMPARE(playlist->currentIndex().row(), 2);
        space();
        QVERIFY(settled());
        timeline->preview.seek(5000);
        QTRY_COMPARE(timeline->lamps->accessibleDescription(), "On: 1");
        space();
        QVERIFY(timeline->lblPlaying->text().startsWith("3) A.mp3 fades"));
        space(); // a second press ends the fade: the last entry, so the program
        QCOMPARE(timeline->lblPlaying->text(), "End of the program.");
        QCOMPARE(playlist->currentIndex().row(), 2); // the last entry played stays shown
        QCOMPARE(timeline->cmdPlay->text(), "Play");
        timeline->cmdPlay->click(); // from the current entry again; a change to the program stops it
        QCOMPARE(timeline->cmdPlay->text(), "Stop");
        QTest::mouseClick(view, Qt::LeftButton, {}, {5, 60}); // on the lanes' labels: no entry
        QCOMPARE(playlist->currentIndex().row(), 2);

        QTest::mouseClick(view, Qt::LeftButton, {}, {24, 60}); // the first entry's first pixel: Remove takes it
        control<QPushButton>(&window, "cmdRemove")->click();
        QCOMPARE(timeline->cmdPlay->text(), "Play");
        control<QLineEdit>(&window, "txtName")->setText("Two");
        QCOMPARE(timeline->windowTitle(), "Program 1 Timeline: Two");
        QCOMPARE(view->entryTexts().constFirst(), "1) B.mp3 \u00b7 starts 0:00.0 into run 1" + waits.arg("0:02.0"));
        QVERIFY(drawnText(view).contains("1) B.mp3")); // the first entry drawn too
        // The first entry's tip; the findings in words; on the lanes' labels after them, no entry's tip (the one
        // shown goes a moment later).
        QStringList tips;
        for (const QPoint at : {QPoint(24, 60), QPoint(250, 60), QPoint(5, 60)}) {
            QHelpEvent help(QEvent::ToolTip, at, {});
            QApplication::sendEvent(view, &help);
            tips << QToolTip::text().section(u'\n', 0, 0);
        }
        QCOMPARE(tips, QStringList({"B.mp3", "A.mp3", "A.mp3"}));
        QCOMPARE(QToolTip::text(),
                 "A.mp3\nstarts 0:00.0 into run 3\nEnd of the program \u00b7 run 3 ran 0:30.1\n"
                 "Output 1 is switched on at 5 and never switched off.");
        QTest::mouseDClick(view, Qt::LeftButton, {}, {24, 60}); // the first entry: its advanced window
        QVERIFY(frmAdv::existing() && frmAdv::existing()->lblName->text() == "B.mp3");
        frmAdv::existing()->close();
        QApplication::setActiveWindow(timeline);
        QTest::keyClick(timeline, Qt::Key_Escape);
        QVERIFY(!timeline->isVisible());
    }

    void entryWidths_data()
    {
        QTest::addColumn<qint64>("shorter"); // milliseconds
        QTest::addColumn<qint64>("longer");
        QTest::addColumn<bool>("alike"); // drawn the same width
        QTest::newRow("a moment and 3 s") << qint64(100) << qint64(3000) << false;
        QTest::newRow("30 s and 59 s") << qint64(30000) << qint64(59000) << false;
        QTest::newRow("10 min and an hour: both broken") << qint64(600000) << qint64(3600000) << true;
    }

    // Each entry of the program timeline as wide as it plays, from a width its name is read in; a very long one no
    // wider than a minute's, so the rest stay in view.
    void entryWidths()
    {
        QFETCH(qint64, shorter);
        QFETCH(qint64, longer);
        ProgramTimelineView view;
        view.showProgram({"Intro.mp3", "Song.mp3"}, {"Intro.mp3 V7", "Song.mp3 V7"}, {shorter, longer},
                         TimeUnit::Seconds);
        const int narrow = view.entryRect(0).width();
        const int wide = view.entryRect(1).width();
        QVERIFY(narrow >= QFontMetrics(view.font()).horizontalAdvance("10) Intro"));
        QVERIFY2(narrow <= wide, qPrintable(QString("%1 and %2 pixels").arg(narrow).arg(wide)));
        QVERIFY(wide <= 600);
        QFETCH(bool, alike);
        QCOMPARE(narrow == wide, alike);
    }

    void view_data()
    {
        QTest::addColumn<QString>("string");
        QTest::addColumn<double>("length"); // in the times' own numbers; -1: unknown
        QTest::addColumn<QString>("drawn");
        QTest::addColumn<QStringList>("tips"); // as the pointer finds them, left to right
        QTest::newRow("findings")
            << "1+2 1-4 P5 2-3 3+4 3-4 4+20 5+7s 6+9" << 16.0
            << "Output 1 ! Output 2 ! Output 3 ! Output 4 ! Output 5 ! Output 6 Output 7 Output 8 "
               "All outputs Auto pause 0 5 10 15 20 length L"
            << QStringList {
                   "Output 1: on from 2 to 4",
                   "Output 2 is switched off at 3 but nothing was switched on before it.",
                   "Output 3 is switched on and off at the same time, 4: it ends off.",
                   "Auto pause at 5",
                   "\"7s\" is not a whole number: the device reads it as 7.\nOutput 5 is switched on at 7 and never "
                   "switched off.",
                   "Output 5: on from 7 to the end",
                   "Output 6 is switched on at 9 and never switched off.",
                   "Output 6: on from 9 to the end",
                   "20 is past the end of the track, which ends at 16.\nOutput 4 is "
                   "switched on at 20 and never switched off.",
                   "Output 4: on from 20 to the end"};
        const QString lanes = "Output 1 Output 2 Output 3 Output 4 Output 5 Output 6 Output 7 Output 8 All outputs "
                              "Auto pause 0 ";
        QTest::newRow("steps of 2") << "" << 16.0 << lanes + "2 4 6 8 10 12 14 16 length L" << QStringList {};
        QTest::newRow("steps of 10") << "1+40 1-44" << -1.0 << lanes + "10 20 30 40 length L"
                                     << QStringList {"Output 1: on from 40 to 44"};
    }

    void view()
    {
        QFETCH(QString, string);
        QFETCH(double, length);

        TrackSettings settings;
        readCommandString(settings, "T.mp3 V7 " + string);
        TimelineView view;
        view.resize(760, 320);
        view.showSettings(settings, length < 0 ? std::nullopt : std::optional(length), "L");
        QTEST(drawnText(&view), "drawn");
        QStringList tips {QToolTip::text()}; // left from before
        for (int x = 0; x < view.width(); ++x) {
            for (int y = 0; y < view.height(); y += 2) {
                QHelpEvent help(QEvent::ToolTip, {x, y}, view.mapToGlobal(QPoint(x, y)));
                QApplication::sendEvent(&view, &help);
                if (!tips.contains(QToolTip::text()))
                    tips << QToolTip::text();
            }
        }
        QTEST(tips.mid(1), "tips");
    }
};

QTEST_MAIN(TestShow)
#include "tst_show.moc"
