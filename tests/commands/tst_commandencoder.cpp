#include "commands/commandencoder.h"

#include "tracksettingstesting.h"

#include <QTest>

#include <limits>

using namespace Vexolo;

class TestCommandEncoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encode_data();
    void encode();
    void lengthLimit_data();
    void lengthLimit();
    void fullForm();
    void commandTime_data();
    void commandTime();
    void insertion_data();
    void insertion();
};

void TestCommandEncoder::encode_data()
{
    QTest::addColumn<TrackSettings>("settings");
    QTest::addColumn<QString>("expected");

    using F = FadeOption;
    QTest::newRow("defaults") << makeSettings("Intro.mp3", F::Norm, false, "7") << "Intro.mp3 V7";
    QTest::newRow("sorted by time, equal keys in production order") << makeSettings(
        "Song.mp3", F::Fade1, false, "5",
        { { PauseRow, 0, "30" }, { 1, 0, "10" }, { 1, 1, "40" }, { 3, 0, "10" }, { AllOutputsRow, 1, "60" } })
                                                                    << "Song.mp31V5 1+10 3+10 P30 1-40 1X60";
    QTest::newRow("all outputs and later columns")
        << makeSettings("Finale.mp3", F::Fade2, true, "9",
                        { { PauseRow, 1, "15" }, { 2, 0, "15" }, { AllOutputsRow, 0, "5" }, { 8, 1, "15" } })
        << "Finale.mp37V9 1A5 2+15 P15 8-15";
    QTest::newRow("all keys equal") << makeSettings("Song.mp3", F::Norm, false, "7",
                                                    { { 1, 0, "10" }, { PauseRow, 1, "10" }, { 2, 1, "10" } })
                                    << "Song.mp3 V7 1+10 P10 2-10";
    QTest::newRow("mode fade and cue, play next") << makeSettings("T.mp3", F::Norm, true, "7") << "T.mp35V7";
    QTest::newRow("mode fade 1") << makeSettings("T.mp3", F::Fade1, false, "7") << "T.mp31V7";
    QTest::newRow("mode fade 1, play next") << makeSettings("T.mp3", F::Fade1, true, "7") << "T.mp36V7";
    QTest::newRow("mode fade 2") << makeSettings("T.mp3", F::Fade2, false, "7") << "T.mp32V7";
    QTest::newRow("no option selected, no mode character") << makeSettings("T.mp3", F::None, true, "7") << "T.mp3V7";
    QTest::newRow("name trimmed, times not")
        << makeSettings("  My Song.mp3 ", F::Norm, false, "0", { { 1, 0, " 5 " } }) << "My Song.mp3 V0 1+ 5 ";
    QTest::newRow("blank pause is P and a blank, key 0")
        << makeSettings("T.mp3", F::Norm, false, "7", { { PauseRow, 0, "10" }, { PauseRow, 1, " " } })
        << "T.mp3 V7 P  P10";
    QTest::newRow("text as typed, sorted by its number")
        << makeSettings("T.mp3", F::Norm, false, "7", { { PauseRow, 0, "007" }, { 1, 0, "abc" }, { 2, 1, "-5" } })
        << "T.mp3 V7 2--5 1+abc P007";
    QTest::newRow("volume written as given") << makeSettings("T.mp3", F::Norm, false, "12") << "T.mp3 V12";
}

void TestCommandEncoder::encode()
{
    QFETCH(TrackSettings, settings);
    QFETCH(QString, expected);

    const EncodedCommandString encoded = encodeTrackSettings(settings);
    QCOMPARE(encoded.text, expected);
    QCOMPARE(encoded.length, expected.size());
}

void TestCommandEncoder::lengthLimit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qsizetype>("length");

    // name + " V7": 79 is the longest string accepted.
    QTest::newRow("79 accepted") << QString(72, u'n') + ".mp3" << qsizetype(79);
    QTest::newRow("80 refused: a 77-character name cannot have settings")
        << QString(73, u'n') + ".mp3" << qsizetype(80);
    QTest::newRow("characters, not UTF-16 units") << QStringLiteral("🎵").repeated(72) + ".mp3" << qsizetype(79);
    QTest::newRow("80 characters outside the BMP") << QStringLiteral("🎵").repeated(73) + ".mp3" << qsizetype(80);
}

void TestCommandEncoder::lengthLimit()
{
    QFETCH(QString, name);
    QFETCH(qsizetype, length);

    const EncodedCommandString encoded = encodeTrackSettings(makeSettings(name, FadeOption::Norm, false, "7"));
    QCOMPARE(encoded.length, length);
    QCOMPARE(encoded.tooLong(), length > 79);
    if (encoded.tooLong()) {
        QCOMPARE(encoded.tooLongMessage(),
                 "Too many times!\n" + QString::number(length) + " charachters out of 79!\n" + encoded.text);
    }
}

void TestCommandEncoder::fullForm()
{
    // Every field filled with its own key 0..99: 100 commands, the most one encoding makes, all of
    // them kept and in key order.
    TrackSettings settings = makeSettings("T.mp3", FadeOption::Norm, false, "7");
    for (int i = 0; i < TrackSettings::Columns; ++i) {
        const int scrambled = (i * 3) % 10;
        settings.pauses[i] = QString::number(90 + scrambled);
        for (int row = 0; row < TrackSettings::OutputRows; ++row)
            settings.outputs[row][i] = QString::number(row * 10 + scrambled);
    }
    const QStringList commands = encodeTrackSettings(settings).text.split(u' ').mid(2);
    QCOMPARE(commands.size(), 100);
    for (int key = 0; key < 100; ++key)
        QCOMPARE(GetCommandTime(commands[key]), key);
}

void TestCommandEncoder::commandTime_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<qint32>("key");

    const qint32 max = std::numeric_limits<qint32>::max();
    const qint32 min = std::numeric_limits<qint32>::min();
    QTest::newRow("pause") << "P30" << 30;
    QTest::newRow("output") << "1+10" << 10;
    QTest::newRow("leading zeros") << "P007" << 7;
    QTest::newRow("negative") << "2--5" << -5;
    QTest::newRow("not a number") << "Pabc" << 0;
    QTest::newRow("prefix only") << "P" << 0;
    QTest::newRow("shorter than its prefix") << "1" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("other first character") << "X10" << 0;
    QTest::newRow("lower-case pause letter") << "p25" << 25;
    QTest::newRow("above 32 bits saturates") << "P99999999999" << max;
    QTest::newRow("below 32 bits saturates") << "1+-99999999999" << min;
    QTest::newRow("one past the largest") << "P2147483648" << max;
}

void TestCommandEncoder::commandTime()
{
    QFETCH(QString, command);
    QFETCH(qint32, key);
    QCOMPARE(GetCommandTime(command), key);
}

void TestCommandEncoder::insertion_data()
{
    QTest::addColumn<QStringList>("inserted");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("produced order of the song example") << QStringList { "P30", "1+10", "3+10", "1-40", "1X60" }
                                                        << QStringList { "1+10", "3+10", "P30", "1-40", "1X60" };
    QTest::newRow("equal keys keep order")
        << QStringList { "2+5", "P5", "1A5", "P05" } << QStringList { "2+5", "P5", "1A5", "P05" };
    QTest::newRow("into the middle after equals")
        << QStringList { "P1", "P9", "1+5", "2+5", "3+1" } << QStringList { "P1", "3+1", "1+5", "2+5", "P9" };
}

void TestCommandEncoder::insertion()
{
    QFETCH(QStringList, inserted);
    QFETCH(QStringList, expected);

    CommandList list;
    for (const QString &command : inserted)
        list.InsertCommand(command);
    QCOMPARE(list.strCommands(), expected);
    QCOMPARE(list.CommandCount(), expected.size());
}

QTEST_GUILESS_MAIN(TestCommandEncoder)
#include "tst_commandencoder.moc"
