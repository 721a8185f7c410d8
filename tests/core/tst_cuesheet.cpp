#include "reports/cuesheet.h"

#include <QTest>

using namespace Vexolo;

// The cue sheet: an entry's lines in words, and where they and the small timelines go on the pages.
class TestCueSheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lines()
    {
        const CueEntry entry {"Fin.mp37V9 1A5 P15 3+1 3-9 3+20 2-4", 10000};
        QCOMPARE(cueEntryLines(4, entry, TimeUnit::Seconds).join(u'\n'),
                 QStringLiteral("4)  Fin \u2014 0:10\n"
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
        // Page 80 x 110: x = 10, width 60, top 10, bottom 100; lines 8 apart, a timeline 29 high.
        const CueSheet sheet {"3",
                              "Show",
                              "1 May",
                              TimeUnit::Tenths,
                              {{"Intro.mp3 V7", std::nullopt}, {"Song.mp31V5 1+10 1-40 P30", 8000}}};
        QStringList shown;
        for (const CueStep &step : layoutCueSheet(sheet, {80, 110, 8, 6})) {
            const QString box = QString("[%1,%2,%3,%4]").arg(step.x).arg(step.y).arg(step.w).arg(step.h);
            if (step.kind == CueStep::Kind::Text)
                shown << QString("%1:%2").arg(step.y).arg(step.text.left(9).trimmed());
            else if (step.kind == CueStep::Kind::Box)
                shown << (step.bold ? "#" : QString()) + box;
            else if (step.kind == CueStep::Kind::NewPage)
                shown << "|";
        }
        QCOMPARE(shown.join(u' '),
                 QStringLiteral("10:Program 3 23:Cue sheet 41:1)  Intro 49:Remote: f [10,57,60,29] 102:Page 1 of | "
                                "10:2)  Song 18:Remote: f 26:Auto paus 34:Output 1: [10,42,60,29] #[17,43,23,3] "
                                "#[32,42,1,29] 102:Page 2 of"));
    }
};

QTEST_GUILESS_MAIN(TestCueSheet)
#include "tst_cuesheet.moc"
