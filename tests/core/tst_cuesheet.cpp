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
        // Known to last nothing.
        QCOMPARE(cueEntryLines({"1", {}, {}, TimeUnit::Seconds, {{"A.mp3 V7 P5", 0}}, {}, {}}, 0).constLast(),
                 "Check: 5 is past the end of the track, which ends at 0.");
        QCOMPARE(
            cueEntryLines({"1", {}, {}, TimeUnit::Seconds, {{"Fin.mp37V9 1A5 P15 3+1 3-9 3+20 2-4", 10000}}, {}, {}}, 0)
                .join(u'\n'),
            "1)  Fin \u2014 0:10\n"
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
            "Check: Output 3 is switched on at 20 and never switched off.");
    }

    void pages()
    {
        // Page 200 x 400: x = 25, width 150, top 36, bottom 363; lines 14 apart. The heading names the card; each
        // timeline has its lanes labelled and a time scale as far as its numbers fit, pauses as black marks; the waits
        // for the remote are bold. The second entry does not fit below the first: the next page.
        CueSheet sheet {
            "3", "Show", "1 May", TimeUnit::Tenths, {{"Intro.mp3 V7", 0}, {"Song.mp31V5 1+10 1-40 P30", 8000}},
            {},  "SHOW"};
        timeCueSheet(sheet);
        QStringList shown;
        for (const CueStep &step : layoutCueSheet(sheet, {200, 400, 22, 12})) {
            const QString box = QString("[%1,%2,%3,%4]").arg(step.x).arg(step.y).arg(step.w).arg(step.h);
            if (step.kind == CueStep::Kind::Text)
                shown << QString("%1:%2").arg(step.y).arg(step.text);
            else if (step.kind == CueStep::Kind::Font)
                shown << QString("<%1%2>").arg(step.size).arg(step.bold ? "b" : "");
            else if (step.kind == CueStep::Kind::Box)
                shown << (step.bold ? "#" : QString()) + box;
            else if (step.kind == CueStep::Kind::Mark)
                shown << "!" + box;
            else
                shown << "|";
        }
        QCOMPARE(shown.join(u' '),
                 "<16b> 36:Program 3: Show <10> 63:Card SHOW 77:Cue sheet, printed 1 May \u00b7 times in tenths "
                 "of a second <10b> 101:1)  Intro \u2014 0:00 \u00b7 starts 0:00.0 into run 1 <10> 115:Remote: "
                 "fade and cue the next track \u00b7 Auto play next track: no \u00b7 Volume 7 <10b> 129:Waits for "
                 "the remote after it \u00b7 run 1 ran 0:00.0 <5> [33,145,142,56] 146:1 152:2 158:3 164:4 170:5 "
                 "176:6 182:7 188:8 194:A ![33,201,1,2] 203:0 ![61,201,1,2] 203:2 ![89,201,1,2] 203:4 "
                 "![118,201,1,2] 203:6 ![146,201,1,2] 203:8 ![175,201,1,2] <10> 375:Page 1 of 2 | <10b> 36:2)  "
                 "Song \u2014 0:08 \u00b7 starts 0:00.0 into run 2 <10> 50:Remote: fade, cue and play the next "
                 "track \u00b7 Auto play next track: no \u00b7 Volume 5 <10> 64:Auto pauses: 30 <10> 78:Output 1: "
                 "10 to 40 <10b> 92:Waits for the remote at the auto pause at 0:03.0 \u00b7 run 2 ran 0:03.0 "
                 "<10b> 106:End of the program \u00b7 run 3 ran 0:05.0 <5> [33,122,142,56] 123:1 #[50,123,54,5] "
                 "129:2 135:3 141:4 147:5 153:6 159:7 165:8 171:A ![86,120,2,60] ![33,178,1,2] 180:0 "
                 "![50,178,1,2] 180:10 ![68,178,1,2] 180:20 ![86,178,1,2] 180:30 ![104,178,1,2] 180:40 "
                 "![121,178,1,2] 180:50 ![139,178,1,2] 180:60 ![157,178,1,2] 180:70 ![175,178,1,2] <10> 375:Page "
                 "2 of 2");
        // 10 units taller, the second entry ends exactly at the foot: it stays on the first page.
        QCOMPARE(cuePageStarts(sheet, {200, 410, 22, 12}), QList<qsizetype> {0});
    }
};

QTEST_GUILESS_MAIN(TestCueSheet)
#include "tst_cuesheet.moc"
