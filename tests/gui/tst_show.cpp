#include "advancedtarget.h"
#include "cuesheetprinting.h"
#include "frmadv.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"
#include "timelineview.h"
#include "timelinewindow.h"

#include <QtTest>
#include <QtWidgets>

using namespace Vexolo;

// The timeline beside the advanced window, which follows its fields and writes only the playhead's time; the cue
// sheet from the command line.
class TestShow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsAndWrites()
    {
        QStandardPaths::setTestModeEnabled(true);
        ScriptedPlatform platform;
        QWidget owner;
        frmAdv *adv = frmAdv::instance(platform, owner);
        adv->InitForm("T.mp3 V7 1+10 1-20", Ui::AdvancedTarget::entry(1), 0);
        const auto key = [](QWidget *window, Qt::Key code, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
            QApplication::setActiveWindow(window);
            QTest::keyClick(window, code, modifiers);
        };
        key(adv, Qt::Key_T);
        auto *timeline = adv->findChild<TimelineWindow *>();
        QVERIFY(timeline && timeline->isVisible());
        QVERIFY(timeline->lblStatus->text().contains("silent on its own clock"));
        timeline->setUnit(TimeUnit::Seconds);

        QTest::keyClicks(adv->txtOutput(2, 0), "130");
        QCOMPARE(timeline->view->plan().findings.size(), 1); // output 2 never switched off

        timeline->preview.seek(12400);
        QVERIFY(timeline->lamps->shown().outputs[0]);
        adv->txtPause(0)->setFocus();
        key(adv, Qt::Key_Return);
        timeline->setUnit(TimeUnit::Tenths);
        timeline->preview.seek(12400);
        adv->txtPause(1)->setFocus();
        key(timeline, Qt::Key_Return);
        QCOMPARE(adv->settings().pauses[0] + u' ' + adv->settings().pauses[1], "12 124");

        key(timeline, Qt::Key_Space, {});
        QTRY_VERIFY(timeline->preview.position() > 12400);
        key(timeline, Qt::Key_Space, {});
        QVERIFY(!timeline->preview.playing());
    }

    void cueSheetFromTheCommandLine()
    {
        TestCard card;
        card.write("Programs/Program3.txt", "A.mp3 V7\r\nend");
        QString errors;
        QTextStream err(&errors);
        const QString pdf = card.path("../3.pdf");
        QCOMPARE(writeCueSheetPdf(card.root(), "3", pdf, err), 0);
        QVERIFY(QFileInfo(pdf).size() > 0);
        QCOMPARE(writeCueSheetPdf(card.root(), "4", pdf, err), 1);
        QCOMPARE(writeCueSheetPdf(card.path("none"), "3", pdf, err), 1);
        QCOMPARE(errors.count(u'\n'), 2);
    }
};

QTEST_MAIN(TestShow)
#include "tst_show.moc"
