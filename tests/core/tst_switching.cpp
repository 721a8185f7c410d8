#include "commands/commandreader.h"
#include "commands/programplay.h"
#include "commands/programtimes.h"
#include "commands/settingswords.h"
#include "commands/switching.h"

#include <QTest>

using namespace Vexolo;

// What the device switches when, and what in the times looks like a mistake.
class TestSwitching : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void switching_data()
    {
        QTest::addColumn<QString>("string");
        QTest::addColumn<double>("length"); // in the times' units, -1: unknown
        QTest::addColumn<double>("time");
        QTest::addColumn<QString>("lamps"); // at time: outputs 1-8, then "A" for all; "." is off
        // Lane ("A" all outputs) and span "start-end" ("start+" left on), "P" and each pause, "~" the axis end.
        QTest::addColumn<QString>("plan");
        // Kind, lane ("A" all outputs, "P" pauses), "@time": N not a number, O off without on, L left on,
        // T on and off together, E past the end.
        QTest::addColumn<QString>("findings");
        // clang-format off
        QTest::newRow("one off after all, at the end") << "1A5 3-8 1X20" << 20.0 << 8.5 << "12.45678A"
            << "1:5-20 2:5-20 3:5-8 4:5-20 5:5-20 6:5-20 7:5-20 8:5-20 A:5-20 ~22" << "";
        QTest::newRow("same time: columns") << "1+10 1-10 1X10 6+5 6-6 6+10" << -1.0 << 10.0 << ".....6..."
            << "6:5-6 6:10+ ~11" << "OA@10 T1@10 L6@10";
        QTest::newRow("on after its off") << "3+130 3-100" << -1.0 << 120.0 << "........." << "3:130+ ~143"
            << "O3@100 L3@130";
        QTest::newRow("not a number: 0") << "P130s 4+abc 5+1" << -1.0 << 0.0 << "...4....." << "4:0+ 5:1+ P130 ~143"
            << "N4@0 L4@0 L5@1 NP@130";
        QTest::newRow("together, then off") << "2+40 2-50 2-40 5+1 5-40 5+40 5-50" << -1.0 << 40.0 << "....5...."
            << "5:1-40 5:40-50 ~55" << "T5@40 T2@40 O2@50";
        QTest::newRow("off last at its time") << "P4 7+3 P4 7-3" << 15.0 << 3.0 << "........." << "P4 P4 ~15"
            << "T7@3";
        QTest::newRow("past the end") << "1+10 1-250 P251" << 205.0 << 250.0 << "........." << "1:10-250 P251 ~276.1"
            << "E1@250 EP@251";
        QTest::newRow("all left on") << "1A5 4-8" << -1.0 << 4.9 << "........."
            << "1:5+ 2:5+ 3:5+ 4:5-8 5:5+ 6:5+ 7:5+ 8:5+ A:5+ ~10" << "LA@5";
        // clang-format on
    }

    void switching()
    {
        QFETCH(QString, string);
        QFETCH(double, length);
        QFETCH(double, time);
        TrackSettings settings;
        readCommandString(settings, "S.mp3 V7 " + string);

        const Lamps lamps = lampsAt(settings, time);
        QString shown;
        for (int output = 0; output < OutputCount; ++output)
            shown += lamps.outputs[output] ? laneLabel(output) : ".";
        QTEST(shown + (lamps.all ? u'A' : u'.'), "lamps");

        const std::optional<double> known = length < 0 ? std::nullopt : std::optional(length);
        const SwitchPlan plan = planSwitching(settings, known);
        QStringList drawn;
        for (int lane = 0; lane < TrackSettings::OutputRows; ++lane) {
            for (const Span &span : plan.spans[lane])
                drawn << laneLabel(lane) + u':' + QString::number(span.start)
                        + (span.open ? QString(u'+') : u'-' + QString::number(span.end));
        }
        for (const Mark &pause : plan.pauses)
            drawn << u'P' + QString::number(pause.time);
        QTEST((drawn << u'~' + QString::number(axisEnd(plan, known))).join(u' '), "plan");

        QStringList found;
        for (const SwitchFinding &finding : plan.findings)
            found << QChar(u"NOLTE"[finding.kind]) + laneLabel(finding.lane) + u'@' + QString::number(finding.time);
        QTEST(found.join(u' '), "findings");
    }

    // A program's runs: where the device plays on, and where it waits for the remote.
    void programTimes_data()
    {
        QTest::addColumn<QStringList>("strings"); // each after "T.mp3"; mode 5 plays the next by itself
        QTest::addColumn<QString>("lengths"); // in seconds, "?" unknown
        QTest::addColumn<bool>("tenths");
        QTest::addColumn<QString>("entries"); // run@start
        QTest::addColumn<QString>("runs"); // first entry+from (ms)=length, P when it ends at a pause
        // clang-format off
        QTest::newRow("plays on, then waits") << QStringList {"5V7", "5V7", " V7", " V7"} << "30 20 10 5" << false
            << "0@0:00.0 0@0:30.0 0@0:50.0 1@0:00.0" << "0+0=1:00.0 3+0=0:05.0";
        QTest::newRow("pauses end runs") << QStringList {"5V7 P10 P5 P10 P40", " V7"} << "30 20.099" << false
            << "0-2@0:00.0 2@0:20.0" << "0+0=0:05.0P 0+5000=0:05.0P 0+10000=0:40.0";
        QTest::newRow("unknown length") << QStringList {"5V7", "5V7 P3", "5V7"} << "10 ? 65" << false
            << "0@0:00.0 0-1@0:10.0 1@?" << "0+0=0:13.0P 1+3000=?";
        QTest::newRow("tenths, the ends") << QStringList {"1V7 P25 P0 P100"} << "10" << true << "0-2@0:00.0"
            << "0+0=0:00.0P 0+0=0:02.5P 0+2500=0:07.5";
        QTest::newRow("none") << QStringList {} << "" << false << "" << "";
        // clang-format on
    }

    void programTimes()
    {
        QFETCH(QStringList, strings);
        QFETCH(QString, lengths);
        QFETCH(bool, tenths);
        QList<TrackLength> known;
        for (const QString &length : lengths.split(' ', Qt::SkipEmptyParts))
            known << (length == "?" ? std::nullopt : TrackLength(qRound64(length.toDouble() * 1000)));
        for (QString &string : strings)
            string.prepend("T.mp3");
        const ProgramTimes times = Vexolo::programTimes(strings, known, tenths ? TimeUnit::Tenths : TimeUnit::Seconds);
        QStringList entries;
        for (const ProgramTimes::Entry &entry : times.entries)
            entries << QString::number(entry.run) + (entry.lastRun > entry.run ? QString("-%1").arg(entry.lastRun) : "")
                    + '@' + clockText(entry.start);
        QTEST(entries.join(' '), "entries");
        QStringList runs;
        for (const ProgramTimes::Run &run : times.runs)
            runs << QStringLiteral("%1+%2=%3").arg(run.firstEntry).arg(run.from).arg(clockText(run.length))
                    + (run.endsAtPause ? "P" : "");
        QTEST(runs.join(' '), "runs");
    }

    // A track's own settings in words, for the tooltips; nothing for the settings of a track without a command file.
    void settingsWords_data()
    {
        QTest::addColumn<QString>("string");
        QTest::addColumn<QString>("words");
        QTest::newRow("usual") << "Intro.mp3 V7"
                               << "";
        QTest::newRow("fade, pause, switches") << "Song.mp31V5 1+10 3+10 P30 1-40 1X60"
                                               << "Volume 5 \u00b7 Remote: fade, cue and play the next track \u00b7 "
                                                  "1 auto pause \u00b7 4 output switches";
        QTest::newRow("plays on, one switch") << "Finale.mp37V9 P15 P20 8-15"
                                              << "Volume 9 \u00b7 Remote: cue and play the next track without fading "
                                                 "\u00b7 plays the next by itself \u00b7 2 auto pauses \u00b7 "
                                                 "1 output switch";
        QTest::newRow("no mode character") << "Song.mp3"
                                           << "Volume 7 \u00b7 Remote: no fade option";
    }

    void settingsWords()
    {
        QFETCH(QString, string);
        QTEST(Vexolo::settingsWords(string), "words");
    }

    void programPlay_data()
    {
        QTest::addColumn<QStringList>("strings"); // each after "T.mp3"
        QTest::addColumn<QString>("lengths"); // in seconds, "?" unknown
        QTest::addColumn<bool>("tenths");
        QTest::addColumn<QString>("script"); // s start at a row, r the stop reached, p the remote at a time (ms)
        // After each step: Playing, Fading, Waiting, Cued or Ended; row@position>stop; ~ the gain 500 ms on.
        QTest::addColumn<QString>("trace");
        // clang-format off
        QTest::newRow("a pause, plays on, fade and cue, fade and play") << QStringList {"5V7 P5", " V7", "1V7"}
            << "10 8 6" << false << "s0 r p r p3000 r p p2000 r p"
            << "P0@0>5000~1 W0@5000>10000~1 P0@5000>10000~1 P1@0>8000~1 F1@3000>5000~0.75 C2@0>6000~1 "
               "P2@0>6000~1 F2@2000>4000~0.75 E>4000~1 E>4000~1";
        QTest::newRow("cuts, a fade past the end") << QStringList {"2V7", "7V7", "1V7"} << "10 3 5" << false
            << "s0 p4000 p2000 p4000 r" << "P0@0>10000~1 P1@0>3000~1 P2@0>5000~1 F2@4000>5000~0.75 E>5000~1";
        QTest::newRow("a pause at 0, unknown length, from the middle") << QStringList {" V7", " V7 P0 P3 1+7"}
            << "10 ?" << false << "s1 r p r p r"
            << "P1@0>0~1 W1@0>3000~1 P1@0>3000~1 W1@3000>8000~1 P1@3000>8000~1 E>8000~1";
        QTest::newRow("tenths; a second press ends the fade; a press past the end") << QStringList {" V7 P50", "6V7"}
            << "10 4" << true << "s0 p1000 p r p p99000 r s2"
            << "P0@0>5000~1 F0@1000>3000~0.75 C1@0>4000~1 C1@0>4000~1 P1@0>4000~1 F1@4000>4000~0.75 E>4000~1 "
               "E>0~1";
        // clang-format on
    }

    void programPlay()
    {
        QFETCH(QStringList, strings);
        QFETCH(QString, lengths);
        QFETCH(bool, tenths);
        QFETCH(QString, script);
        QList<TrackSettings> entries;
        for (const QString &string : strings)
            readCommandString(entries.emplace_back(), "T.mp3" + string);
        QList<TrackLength> known;
        for (const QString &length : lengths.split(' '))
            known << (length == "?" ? std::nullopt : TrackLength(length.toInt() * 1000));
        ProgramPlay play(entries, known, tenths ? TimeUnit::Tenths : TimeUnit::Seconds);
        QStringList trace;
        for (const QString &step : script.split(' ')) {
            if (step[0] == 's')
                play.start(step.mid(1).toInt());
            else if (step[0] == 'r')
                play.reached();
            else
                play.remote(step.mid(1).toLongLong());
            static const QString States = "PFWE";
            QString state = States[int(play.state())];
            if (play.cued())
                state = "C";
            if (play.state() != ProgramPlay::State::Ended)
                state += QStringLiteral("%1@%2").arg(play.row()).arg(play.position());
            state += QStringLiteral(">%1").arg(play.stopAt());
            state += '~' + QString::number(play.gainAt(play.position() + 500));
            trace << state;
        }
        QTEST(trace.join(' '), "trace");
        QCOMPARE(QList({volumeLevel("0"), volumeLevel("9"), volumeLevel("x"), volumeLevel("")}),
                 QList({0.0, 1.0, 7 / 9.0, 7 / 9.0}));
    }
};

QTEST_GUILESS_MAIN(TestSwitching)
#include "tst_switching.moc"
