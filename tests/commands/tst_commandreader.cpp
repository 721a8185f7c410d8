#include "commands/commandencoder.h"
#include "commands/commandreader.h"
#include "commands/textnumber.h"

#include "tracksettingstesting.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>

using namespace Vexolo;

namespace {

using F = FadeOption;

// What the window shows after reading back an encoded form: the same values, with the times of
// each row packed into the leftmost fields of their kind (On or Off), in ascending key order and,
// for equal keys, in the order of their columns.
TrackSettings packed(const TrackSettings &settings)
{
    auto pack = [](const std::array<QString, TrackSettings::Columns> &fields, int first, int step) {
        QStringList times;
        for (int i = first; i < TrackSettings::Columns; i += step) {
            if (!fields[i].isEmpty())
                times.append(fields[i]);
        }
        std::stable_sort(times.begin(), times.end(),
                         [](const QString &a, const QString &b) { return Val(a) < Val(b); });
        std::array<QString, TrackSettings::Columns> result;
        for (int n = 0; n < times.size(); ++n)
            result[first + n * step] = times[n];
        return result;
    };
    auto merge
        = [](std::array<QString, TrackSettings::Columns> on, const std::array<QString, TrackSettings::Columns> &off) {
              for (int i = 1; i < TrackSettings::Columns; i += 2)
                  on[i] = off[i];
              return on;
          };

    TrackSettings result = settings;
    result.trackName = settings.trackName.trimmed();
    result.pauses = pack(settings.pauses, 0, 1);
    for (auto &row : result.outputs)
        row = merge(pack(row, 0, 2), pack(row, 1, 2));
    return result;
}

// A form the window itself can produce: one fade option selected, a single-digit volume, times
// as typed but without blanks (a blank would split the time into two tokens). With distinctKeys
// no two times share a key, so the order of the commands is fixed by their keys alone.
TrackSettings randomForm(QRandomGenerator &random, bool distinctKeys)
{
    static const QStringList names { "Intro.mp3", "My Song.mp3", QStringLiteral("Été 🎵.MP3"), "x.mp3" };
    static const QStringList words {
        "abc", "1.5", "-0", "2e3", QStringLiteral("５"), QStringLiteral("🎵"), "+7", "--1"
    };
    static const QStringList suffixes { "", "", "s", ".5", QStringLiteral("é") };
    static const F fades[] = { F::Norm, F::Fade1, F::Fade2 };

    QList<int> keys(100);
    std::iota(keys.begin(), keys.end(), -30);
    std::shuffle(keys.begin(), keys.end(), random);
    auto time = [&]() -> QString {
        if (distinctKeys)
            return QString::number(keys.takeLast()) + suffixes[random.bounded(suffixes.size())];
        switch (random.bounded(4)) {
        case 0:
            return words[random.bounded(words.size())];
        case 1:
            return QString::number(random.bounded(-20, 20));
        case 2:
            return "0" + QString::number(random.bounded(10)); // leading zero: same key, other text
        default:
            return QString::number(random.bounded(100000));
        }
    };
    TrackSettings form;
    form.trackName = names[random.bounded(names.size())];
    form.fade = fades[random.bounded(3)];
    form.playNext = random.bounded(2) == 1;
    form.volume = QString::number(random.bounded(10));
    const int density = random.bounded(1, 8); // from sparse forms to nearly full ones
    for (int i = 0; i < TrackSettings::Columns; ++i) {
        if (random.bounded(8) < density)
            form.pauses[i] = time();
        for (auto &row : form.outputs) {
            if (random.bounded(8) < density)
                row[i] = time();
        }
    }
    return form;
}

} // namespace

class TestCommandReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
    void hostileInput();
    void clearKeepsOptionsAndName();
    void roundTrip();
    void equalKeysMayChangePlaces();
};

void TestCommandReader::read_data()
{
    QTest::addColumn<TrackSettings>("before");
    QTest::addColumn<QString>("string");
    QTest::addColumn<TrackSettings>("expected");
    QTest::addColumn<bool>("nameFound");

    const TrackSettings fresh;
    const TrackSettings used = makeSettings("Old.mp3", F::Fade2, true, "3", { { PauseRow, 4, "9" }, { 5, 3, "8" } });

    QTest::newRow("defaults") << fresh << "Intro.mp3 V7" << makeSettings("Intro.mp3", F::Norm, false, "7") << true;
    QTest::newRow("song example")
        << fresh << "Song.mp31V5 1+10 3+10 P30 1-40 1X60"
        << makeSettings(
               "Song.mp3", F::Fade1, false, "5",
               { { PauseRow, 0, "30" }, { 1, 0, "10" }, { 1, 1, "40" }, { 3, 0, "10" }, { AllOutputsRow, 1, "60" } })
        << true;
    QTest::newRow("finale example: times packed to the left")
        << fresh << "Finale.mp37V9 1A5 2+15 P15 8-15"
        << makeSettings("Finale.mp3", F::Fade2, true, "9",
                        { { AllOutputsRow, 0, "5" }, { 2, 0, "15" }, { PauseRow, 0, "15" }, { 8, 1, "15" } })
        << true;
    QTest::newRow("sixth On time dropped")
        << fresh << "S.mp3 V7 3+1 3+2 3+3 3+4 3+5 3+6"
        << makeSettings("S.mp3", F::Norm, false, "7",
                        { { 3, 0, "1" }, { 3, 2, "2" }, { 3, 4, "3" }, { 3, 6, "4" }, { 3, 8, "5" } })
        << true;
    QTest::newRow("eleventh pause dropped") << fresh << "S.mp3 V7 P1 P2 P3 P4 P5 P6 P7 P8 P9 P10 P11"
                                            << makeSettings("S.mp3", F::Norm, false, "7",
                                                            { { PauseRow, 0, "1" },
                                                              { PauseRow, 1, "2" },
                                                              { PauseRow, 2, "3" },
                                                              { PauseRow, 3, "4" },
                                                              { PauseRow, 4, "5" },
                                                              { PauseRow, 5, "6" },
                                                              { PauseRow, 6, "7" },
                                                              { PauseRow, 7, "8" },
                                                              { PauseRow, 8, "9" },
                                                              { PauseRow, 9, "10" } })
                                            << true;
    QTest::newRow("outputs 2 to 8 take every operator but + as Off")
        << fresh << "S.mp3 V7 2X10 4A9 5?3 6-2 7+1"
        << makeSettings("S.mp3", F::Norm, false, "7",
                        { { 2, 1, "10" }, { 4, 1, "9" }, { 5, 1, "3" }, { 6, 1, "2" }, { 7, 0, "1" } })
        << true;
    QTest::newRow("tokens that match nothing")
        << fresh << "S.mp3 V7 1Q10 9+10 0+10 Z5 1 +5 -3" << makeSettings("S.mp3", F::Norm, false, "7") << true;
    QTest::newRow("volume is the last character")
        << fresh << "S.mp3 V12" << makeSettings("S.mp3", F::Norm, false, "2") << true;
    QTest::newRow("V10 sets 0") << fresh << "S.mp3 V10" << makeSettings("S.mp3", F::Norm, false, "0") << true;
    QTest::newRow("lone V sets V") << fresh << "S.mp3 V" << makeSettings("S.mp3", F::Norm, false, "V") << true;
    QTest::newRow("two blanks stop the reading")
        << fresh << "S.mp3 V7 P10  P20" << makeSettings("S.mp3", F::Norm, false, "7", { { PauseRow, 0, "10" } })
        << true;
    QTest::newRow("name alone keeps options, clears the rest")
        << used << "Song.mp3" << makeSettings("Song.mp3", F::Fade2, true, "7") << true;
    QTest::newRow("mode character replaces options")
        << used << "Song.mp3 V7" << makeSettings("Song.mp3", F::Norm, false, "7") << true;
    QTest::newRow("no mode character: V is taken for it")
        << fresh << "Song.mp3V3" << makeSettings("Song.mp3", F::None, false, "7") << true;
    QTest::newRow("empty times take no field")
        << fresh << "S.mp3 V7 1+ 3+ 3+4 P" << makeSettings("S.mp3", F::Norm, false, "7", { { 3, 0, "4" } }) << true;
    QTest::newRow("nothing read after a final .mp3")
        << fresh << "Song.mp3 V5 P10 b.mp3" << makeSettings("Song.mp3", F::None, false, "7") << true;
    QTest::newRow("no .mp3: three characters, read on from the fourth")
        << fresh << "Hello 1+5" << makeSettings("Hel", F::None, false, "7", { { 1, 0, "5" } }) << true;
    QTest::newRow("no .mp3 with a mode character")
        << fresh << "abc5V3 P1" << makeSettings("abc", F::Norm, true, "3", { { PauseRow, 0, "1" } }) << true;
    QTest::newRow("letters in either case")
        << fresh << "song.MP3 v5 p10 1a5 1x6"
        << makeSettings("song.MP3", F::Norm, false, "5",
                        { { PauseRow, 0, "10" }, { AllOutputsRow, 0, "5" }, { AllOutputsRow, 1, "6" } })
        << true;
    QTest::newRow(".mp3 twice") << fresh << "a.mp3.mp3 V5" << makeSettings("a.mp3", F::None, false, "5") << true;
    QTest::newRow("surrounding white space")
        << fresh << "  \tSong.mp31V5 P1 \r\n"
        << makeSettings("Song.mp3", F::Fade1, false, "5", { { PauseRow, 0, "1" } }) << true;
    const QString note = QStringLiteral("🎵");
    QTest::newRow("characters outside the BMP")
        << fresh << note + ".mp3" + note + "V5 P" + note + " 4" + note + "1"
        << makeSettings(note + ".mp3", F::None, false, "5", { { PauseRow, 0, note }, { 4, 1, "1" } }) << true;
    QTest::newRow("three characters outside the BMP")
        << fresh << QStringLiteral("🎵🎵🎵🎵 1+5")
        << makeSettings(QStringLiteral("🎵🎵🎵"), F::None, false, "7", { { 1, 0, "5" } }) << true;
    QTest::newRow("NUL inside a time") << fresh << QString::fromUtf8("S.mp3 V7 P1\0x", 13)
                                       << makeSettings("S.mp3", F::Norm, false, "7",
                                                       { { PauseRow, 0, QString::fromUtf8("1\0x", 3) } })
                                       << true;
    QTest::newRow("empty") << used << "" << makeSettings("", F::Fade2, true, "7") << false;
    QTest::newRow("blanks only") << fresh << "   " << makeSettings("", F::None, false, "7") << false;
}

void TestCommandReader::read()
{
    QFETCH(TrackSettings, before);
    QFETCH(QString, string);
    QFETCH(TrackSettings, expected);
    QFETCH(bool, nameFound);

    TrackSettings settings = before;
    QCOMPARE(readCommandString(settings, string), nameFound);
    QCOMPARE(settings, expected);
}

void TestCommandReader::hostileInput()
{
    TrackSettings settings;
    QVERIFY(readCommandString(settings, "S.mp3 V7 " + QStringLiteral("P1 3-2 ").repeated(150000)));
    QCOMPARE(settings.pauses[9], QStringLiteral("1"));
    QCOMPARE(settings.outputs[2][9], QStringLiteral("2"));

    QVERIFY(readCommandString(settings, "S.mp3" + QString(1024 * 1024, u' ') + "V5"));
    QCOMPARE(settings.volume, QStringLiteral("5"));

    QVERIFY(readCommandString(settings, "S.mp3 V7 P" + QString(1024 * 1024, u'x')));
    QCOMPARE(settings.pauses[0].size(), 1024 * 1024);

    QVERIFY(readCommandString(settings, QString(1024 * 1024, QChar(0))));
    QCOMPARE(settings.trackName, QString(3, QChar(0)));

    QVERIFY(readCommandString(settings, QString(QChar(0xDC00)) + QChar(0xD800) + "x 1+2"));
    QCOMPARE(settings.outputs[0][0], QStringLiteral("2"));
}

void TestCommandReader::clearKeepsOptionsAndName()
{
    TrackSettings settings;
    readCommandString(settings, "Finale.mp37V9 1A5");
    ClearForm(settings);
    QCOMPARE(settings, makeSettings("Finale.mp3", F::Fade2, true, "7"));
}

void TestCommandReader::roundTrip()
{
    QRandomGenerator random(20240611);
    for (int n = 0; n < 2000; ++n) {
        const bool distinctKeys = n % 2 == 0;
        const TrackSettings form = randomForm(random, distinctKeys);
        const QString encoded = encodeTrackSettings(form).text;
        TrackSettings read;
        QVERIFY(readCommandString(read, encoded));
        QCOMPARE(read, packed(form));

        const QString again = encodeTrackSettings(read).text;
        if (distinctKeys) {
            QCOMPARE(again, encoded);
        } else {
            // Equal keys keep the order of their columns, and reading moved the times to other
            // columns, so such commands may change places once; the form read back is stable.
            TrackSettings readAgain;
            QVERIFY(readCommandString(readAgain, again));
            QCOMPARE(readAgain, read);
        }
    }

    // A fresh window with no option selected writes no mode character; that string also survives.
    TrackSettings read;
    QVERIFY(readCommandString(read, "Song.mp3V7 P10"));
    QCOMPARE(encodeTrackSettings(read).text, QStringLiteral("Song.mp3V7 P10"));
}

void TestCommandReader::equalKeysMayChangePlaces()
{
    // Output 2 typed in column 0, output 1 in column 2, same key: production puts output 2 first;
    // read back, both stand in column 0 and output 1 comes first.
    const TrackSettings form = makeSettings("S.mp3", F::Norm, false, "7", { { 2, 0, "5" }, { 1, 2, "5" } });
    QCOMPARE(encodeTrackSettings(form).text, QStringLiteral("S.mp3 V7 2+5 1+5"));
    TrackSettings read;
    readCommandString(read, encodeTrackSettings(form).text);
    QCOMPARE(encodeTrackSettings(read).text, QStringLiteral("S.mp3 V7 1+5 2+5"));
}

QTEST_GUILESS_MAIN(TestCommandReader)
#include "tst_commandreader.moc"
