#include "commands/commandreader.h"
#include "commands/programtimes.h"
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
        const auto letter = [](int lane) { return QChar(u"12345678AP"[lane]); };

        const Lamps lamps = lampsAt(settings, time);
        QString shown;
        for (int output = 0; output < OutputCount; ++output)
            shown += lamps.outputs[output] ? letter(output) : u'.';
        QTEST(shown + (lamps.all ? u'A' : u'.'), "lamps");

        const std::optional<double> known = length < 0 ? std::nullopt : std::optional(length);
        const SwitchPlan plan = planSwitching(settings, known);
        QStringList drawn;
        for (int lane = 0; lane < TrackSettings::OutputRows; ++lane) {
            for (const Span &span : plan.spans[lane])
                drawn << letter(lane) + u':' + QString::number(span.start)
                        + (span.open ? QString(u'+') : u'-' + QString::number(span.end));
        }
        for (const Mark &pause : plan.pauses)
            drawn << u'P' + QString::number(pause.time);
        QTEST((drawn << u'~' + QString::number(axisEnd(plan, known))).join(u' '), "plan");

        QStringList found;
        for (const SwitchFinding &finding : plan.findings)
            found << u"NOLTE"[finding.kind] + letter(finding.lane) + u'@' + QString::number(finding.time);
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
        QTest::newRow("pauses end runs") << QStringList {"5V7 P10 P5 P10 P40", " V7"} << "30 20" << false
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
            known << (length == "?" ? std::nullopt : TrackLength(length.toInt() * 1000));
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
};

QTEST_GUILESS_MAIN(TestSwitching)
#include "tst_switching.moc"
