#include "reports/cuesheet.h"

#include <QTest>

using namespace Vexolo;

// The cue sheet: an entry's lines in words, and where they and the small timelines go on the pages.
class TestCueSheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // An entry in words; without a length nothing is past its end.
    void lines()
    {
        const CueSheet sheet {"1", {}, {}, TimeUnit::Seconds, {{"Fin.mp37V9 1A5 P15 3+1 3-9 3+20 2-4", 10000}}, {}};
        QCOMPARE(cueEntryLines(sheet, 0).join(u'\n'),
                 QStringLiteral("1)  Fin \u2014 0:10\n"
                                "Remote: cue and play the next track without fading \u00b7 Auto play next track: yes "
                                "\u00b7 Volume 9\n"
                                "Auto pauses: 15\n"
                                "Output 2: off 4\n"
                                "Output 3: 1 to 9, on 20\n"
                                "All outputs: on 5\n"
                                "Check: Output 2 is switched off at 4 but nothing was switched on before it.\n"
                                "Check: All outputs are switched on at 5 and never switched off.\n"
                                "Check: 15 is past the end of the track, which ends at 10.\n"
                                "Check: 20 is past the end of the track, which ends at 10.\n"
                                "Check: Output 3 is switched on at 20 and never switched off."));
    }

    void pages()
    {
        // Page 80 x 220: x = 10, width 60, top 20, bottom 200; lines 38 apart, a timeline 29 high. The first entry
        // ends on the bottom exactly; the second, taller than a page, starts the next page.
        const CueSheet sheet {
            "3", "Show", "1 May", TimeUnit::Tenths, {{"Intro.mp3 V7", 0}, {"Song.mp31V5 1+10 1-40 P30", 8000}}, {}};
        QStringList shown;
        for (const CueStep &step : layoutCueSheet(sheet, {80, 220, 22, 36})) {
            const QString box = QString("[%1,%2,%3,%4]").arg(step.x).arg(step.y).arg(step.w).arg(step.h);
            if (step.kind == CueStep::Kind::Text)
                shown << QString("%1:%2").arg(step.y).arg(step.text);
            else if (step.kind == CueStep::Kind::Font)
                shown << QString("<%1%2>").arg(step.size).arg(step.bold ? "b" : "");
            else if (step.kind == CueStep::Kind::Box)
                shown << (step.bold ? "#" : QString()) + box;
            else
                shown << "|";
        }
        QCOMPARE(shown.join(u' '),
                 QStringLiteral(
                     "<16b> 20:Program 3: Show <10> 47:Cue sheet, printed 1 May \u00b7 times in tenths of a second "
                     "<10b> 95:1)  Intro \u2014 0:00 <10> 133:Remote: fade and cue the next track "
                     "\u00b7 Auto play next track: no \u00b7 Volume 7 [10,171,60,29] <10> 192:Page 1 of 2 | "
                     "<10b> 20:2)  Song \u2014 0:08 <10> 58:Remote: fade, cue and play the next track \u00b7 "
                     "Auto play next track: no \u00b7 Volume 5 <10> 96:Auto pauses: 30 <10> 134:Output 1: 10 to "
                     "40 [10,172,60,29] #[17,173,23,3] #[32,172,1,29] <10> 192:Page 2 of 2"));
    }
};

QTEST_GUILESS_MAIN(TestCueSheet)
#include "tst_cuesheet.moc"
