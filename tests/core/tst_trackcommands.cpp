#include "commands/commandencoder.h"
#include "commands/commandreader.h"

#include <QTest>

using namespace Vexolo;

namespace {

QString &field(TrackSettings &form, int row, int column)
{
    return (row == 0 ? form.pauses : form.outputs[row - 1])[column];
}

// A form as "name|fade|volume|fields". Fade is "-" (no option), "N", "1" or "2", then "+" when play next is ticked.
// A field is "Ri=time": R is "P" (pauses), "1".."8" (an output) or "A" (all outputs), i the column 0..9.
QString describe(TrackSettings form)
{
    QStringList fields;
    for (int n = 0; n < 100; ++n) {
        if (const QString &time = field(form, n / 10, n % 10); !time.isEmpty())
            fields << QStringLiteral("P12345678A")[n / 10] + QString::number(n % 10) + u'=' + time;
    }
    const QString fade = QStringLiteral("-N12")[int(form.fade)] + QString(form.playNext ? "+" : "");
    return QStringList {form.trackName, fade, form.volume, fields.join(u' ')}.join(u'|');
}

// The string read into a form in use: "Old.mp3|2+|3|P4=9".
TrackSettings read(const QString &string)
{
    TrackSettings form {"Old.mp3", FadeOption::Fade2, true, "3", {"", "", "", "", "9"}, {}};
    readCommandString(form, string);
    return form;
}

} // namespace

// The command strings: what a string reads into, what a form saves as.
class TestTrackCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void strings_data()
    {
        // A string, the form it reads into (see describe) and what saving that form writes ("": the string).
        QTest::addColumn<QString>("string");
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("saved");
        const auto row = [](const char *tag, const char *string, const char *form, const char *saved = "") {
            QTest::newRow(tag) << QString(string) << QString(form) << QString(saved);
        };
        // clang-format off
        row("song", "Song.mp31V5 1+10 3+10 P30 1-40 1X60", "Song.mp3|1|5|P0=30 10=10 11=40 30=10 A1=60");
        row("finale", "Finale.mp37V9 1A5 2+15 P15 8-15", "Finale.mp3|2+|9|P0=15 20=15 81=15 A0=5",
            "Finale.mp37V9 1A5 P15 2+15 8-15");
        row("equal keys", "Song.mp3 V7 1+10 P10 2-10", "Song.mp3|N|7|P0=10 10=10 21=10", "Song.mp3 V7 P10 1+10 2-10");
        row("odd keys", "T.mp3 V7 P007 1+abc 2--5", "T.mp3|N|7|P0=007 10=abc 21=-5", "T.mp3 V7 2--5 1+abc P007");
        row("keys saturate", "T.mp3 V7 P2147483648 P-2147483648 1+2147483647 1--2147483649 2+5",
            "T.mp3|N|7|P0=2147483648 P1=-2147483648 10=2147483647 11=-2147483649 20=5",
            "T.mp3 V7 P-2147483648 1--2147483649 2+5 P2147483648 1+2147483647");
        row("no mode: V taken for it", "Song.mp3V3", "Song.mp3|2+|7|", "Song.mp37V7");
        row("V10 sets 0", "S.mp3 V10", "S.mp3|N|0|", "S.mp3 V0");
        row("two blanks stop", "S.mp3 V7 P10  P20", "S.mp3|N|7|P0=10", "S.mp3 V7 P10");
        row("2-8: not + is Off, 🎵 too", "S.mp3 V7 2X1 4A2 5🎵3 6-4 7+5", "S.mp3|N|7|21=1 41=2 51=3 61=4 70=5",
            "S.mp3 V7 2-1 4-2 5-3 6-4 7+5");
        row("0, 9, 1Q ignored", "S.mp3 V7 1Q10 9+10 0+10 Z5", "S.mp3|N|7|", "S.mp3 V7");
        row("sixth On dropped", "S.mp3 V7 3+1 3+2 3+3 3+4 3+5 3+6", "S.mp3|N|7|30=1 32=2 34=3 36=4 38=5",
            "S.mp3 V7 3+1 3+2 3+3 3+4 3+5");
        row("eleventh pause dropped", "S.mp3 V7 P1 P2 P3 P4 P5 P6 P7 P8 P9 P10 P11",
            "S.mp3|N|7|P0=1 P1=2 P2=3 P3=4 P4=5 P5=6 P6=7 P7=8 P8=9 P9=10", "S.mp3 V7 P1 P2 P3 P4 P5 P6 P7 P8 P9 P10");
        row("either case", "s.MP3 v5 p10 1a5 1x6", "s.MP3|N|5|P0=10 A0=5 A1=6", "s.MP3 V5 1A5 1X6 P10");
        row("no .mp3: three characters", "🎵🎵🎵🎵 1+5", "🎵🎵🎵|2+|7|10=5", "🎵🎵🎵7V7 1+5");
        row("blanks: no name", " \t ", "|2+|7|", "7V7");
        row("only the extension", ".mp3 V🎵", ".mp3|N|🎵|");
        // clang-format on
    }

    void strings()
    {
        QFETCH(QString, string);
        QFETCH(QString, saved);
        QTEST(describe(read(string)), "form");
        QCOMPARE(encodeTrackSettings(read(string)).text, saved.isEmpty() ? string : saved);
    }

    void commandLimit()
    {
#ifndef QT_NO_DEBUG
        QSKIP("the list asserts on a command past its limit");
#endif
        // Every time key lower than the one before: each command goes first, until the list is full.
        CommandList list;
        for (int n = MaxCommands; n >= 0; --n)
            list.InsertCommand("P" + QString::number(n));
        QCOMPARE(list.CommandCount(), MaxCommands);
        QCOMPARE(list.strCommands().first(), "P1");
    }
};

QTEST_GUILESS_MAIN(TestTrackCommands)
#include "tst_trackcommands.moc"
