#include "commands/commandreader.h"
#include "commands/switching.h"

#include <QTest>

using namespace Vexolo;

namespace {

TrackSettings read(const char *string)
{
    TrackSettings settings;
    readCommandString(settings, QString::fromUtf8(string));
    return settings;
}

QChar laneLetter(int lane)
{
    return QStringLiteral("12345678AP")[lane];
}

} // namespace

// What the device switches when, and what in the times looks like a mistake.
class TestSwitching : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lamps_data()
    {
        QTest::addColumn<QString>("string");
        QTest::addColumn<double>("time");
        QTest::addColumn<QString>("lamps"); // outputs 1-8, then "A" for all; "." is off
        // clang-format off
        QTest::newRow("before") << "S.mp3 V7 1A5 3-8 1X20" << 4.9 << ".........";
        QTest::newRow("all on") << "S.mp3 V7 1A5 3-8 1X20" << 5.0 << "12345678A";
        QTest::newRow("one off after all") << "S.mp3 V7 1A5 3-8 1X20" << 8.5 << "12.45678A";
        QTest::newRow("all off") << "S.mp3 V7 1A5 3-8 1X20" << 20.0 << ".........";
        QTest::newRow("same time: column order") << "S.mp3 V7 1+10 1-10 1X10 6+5 6-6 6+10" << 10.0 << ".....6...";
        QTest::newRow("not a number counts as 0") << "S.mp3 V7 4+abc 5+1" << 0.0 << "...4.....";
        // clang-format on
    }

    void lamps()
    {
        QFETCH(QString, string);
        QFETCH(double, time);
        const Lamps lamps = lampsAt(read(qPrintable(string)), time);
        QString shown;
        for (int output = 0; output < OutputCount; ++output)
            shown += lamps.outputs[output] ? laneLetter(output) : u'.';
        QTEST(shown + (lamps.all ? u'A' : u'.'), "lamps");
    }

    void findings_data()
    {
        QTest::addColumn<QString>("string");
        QTest::addColumn<double>("length"); // in the times' units, -1: unknown
        QTest::addColumn<QString>("findings"); // kind, lane letter, "@time": N not a number, O off without on,
                                               // L left on, T on and off together, E past the end
        // clang-format off
        QTest::newRow("none") << "S.mp3 V7 1+10 1-20 P15" << 30.0 << "";
        QTest::newRow("on after its off") << "S.mp3 V7 3+130 3-100" << -1.0 << "O3@100 L3@130";
        QTest::newRow("not a number") << "S.mp3 V7 P130s 2+1.5 2-x" << -1.0 << "N2@0 O2@0 N2@1 L2@1 NP@130";
        QTest::newRow("together") << "S.mp3 V7 2+40 2-40 5+1 5-40 5+40" << -1.0 << "T2@40 T5@40 L5@40";
        QTest::newRow("past the end") << "S.mp3 V7 1+10 1-250 P251" << 205.0 << "E1@250 EP@251";
        QTest::newRow("all off with nothing on") << "S.mp3 V7 1A5 4-9 1X60 1X70" << -1.0 << "OA@70";
        QTest::newRow("all left on") << "S.mp3 V7 1A5 4-9" << -1.0 << "LA@5";
        // clang-format on
    }

    void findings()
    {
        QFETCH(QString, string);
        QFETCH(double, length);
        const auto plan = planSwitching(read(qPrintable(string)), length < 0 ? std::nullopt : std::optional(length));
        QStringList shown;
        for (const Finding &finding : plan.findings)
            shown << QString(QStringLiteral("NOLTE")[finding.kind]) + laneLetter(finding.lane) + u'@'
                    + QString::number(finding.time);
        QTEST(shown.join(u' '), "findings");
    }
};

QTEST_GUILESS_MAIN(TestSwitching)
#include "tst_switching.moc"
