#include "storage/cardfiles.h"

#include <QTest>

using namespace Vexolo;

namespace {

QByteArray spaces(int count)
{
    return QByteArray(count, ' ');
}

// A string of exactly `length` characters that starts like a command string.
QString stringOfLength(qsizetype length)
{
    const QString head = QStringLiteral("T.mp3 V7 ");
    return head + QString(length - head.size(), u'x');
}

// Entries as {trackName, displayName, commandString} so a mismatch prints all three.
QList<QStringList> entries(const QList<ProgramEntry> &parsed)
{
    QList<QStringList> result;
    for (const ProgramEntry &entry : parsed)
        result.append({ entry.trackName, entry.displayName, entry.commandString });
    return result;
}

} // namespace

class TestCardFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void trackCommandFileName_data();
    void trackCommandFileName();
    void programFile_data();
    void programFile();
    void programFileRefusal_data();
    void programFileRefusal();
    void listing_data();
    void listing();
    void parse_data();
    void parse();
    void parseHugeInput();
    void writtenStringsReadBack();
    void singleValue_data();
    void singleValue();
};

void TestCardFiles::trackCommandFileName_data()
{
    QTest::addColumn<QString>("track");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "Intro.mp3"
                           << "Intro.adv";
    QTest::newRow("only the first .mp3") << "a.mp3.mp3"
                                         << "a.adv.mp3";
    QTest::newRow("upper-case extension") << "LOUD.MP3"
                                          << "LOUD.adv";
    QTest::newRow("not trimmed") << " Song.mp3 "
                                 << " Song.adv ";
    QTest::newRow("no .mp3 has no file") << "readme.txt"
                                         << "";
}

void TestCardFiles::trackCommandFileName()
{
    QFETCH(QString, track);
    QFETCH(QString, expected);
    QCOMPARE(Vexolo::trackCommandFileName(track), expected);
}

void TestCardFiles::programFile_data()
{
    QTest::addColumn<QStringList>("strings");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty playlist") << QStringList() << QByteArray("end");
    const QByteArray single = "A.mp3 V7" + spaces(71) + "\r\nend";
    QCOMPARE(single.size(), 84);
    QTest::newRow("default string of A.mp3") << QStringList { defaultCommandString("A.mp3") } << single;
    QTest::newRow("79 characters get no spaces")
        << QStringList { stringOfLength(79) } << stringOfLength(79).toUtf8() + "\r\nend";
    QTest::newRow("78 characters get one")
        << QStringList { stringOfLength(78) } << stringOfLength(78).toUtf8() + " \r\nend";
    QTest::newRow("filling counts characters, not bytes")
        << QStringList { QStringLiteral("Été 🎵.mp3 V7") }
        << QByteArray("\xC3\x89t\xC3\xA9 \xF0\x9F\x8E\xB5.mp3 V7") + spaces(67) + "\r\nend";
    QTest::newRow("playlist order kept") << QStringList { "B.mp3 V7", "A.mp3 V7" }
                                         << QByteArray("B.mp3 V7" + spaces(71) + "\r\nA.mp3 V7" + spaces(71)
                                                       + "\r\nend");
    QTest::newRow("empty string is all spaces") << QStringList { QString() } << spaces(79) + "\r\nend";
}

void TestCardFiles::programFile()
{
    QFETCH(QStringList, strings);
    QFETCH(QByteArray, expected);

    const ProgramFormat format = formatProgramFile(strings);
    QVERIFY(format.ok());
    QCOMPARE(format.content, expected);
}

void TestCardFiles::programFileRefusal_data()
{
    QTest::addColumn<QStringList>("strings");
    QTest::addColumn<qsizetype>("length");

    QTest::newRow("80 characters") << QStringList { stringOfLength(80) } << qsizetype(80);
    QTest::newRow("the first one over the limit is named")
        << QStringList { "A.mp3 V7", stringOfLength(81), stringOfLength(95) } << qsizetype(81);
    QTest::newRow("79 characters outside the BMP pass")
        << QStringList { QStringLiteral("🎵").repeated(79) } << qsizetype(-1);
    QTest::newRow("80 characters outside the BMP fail")
        << QStringList { QStringLiteral("🎵").repeated(80) } << qsizetype(80);
}

void TestCardFiles::programFileRefusal()
{
    QFETCH(QStringList, strings);
    QFETCH(qsizetype, length);

    const ProgramFormat format = formatProgramFile(strings);
    QCOMPARE(format.tooLongLength, length);
    if (!format.ok())
        QCOMPARE(format.content, QByteArray()); // nothing at all is written
}

void TestCardFiles::listing_data()
{
    QTest::addColumn<QStringList>("strings");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray example = "A.mp3 V7" + spaces(71) + "\r\nB.mp31V5 P30" + spaces(67) + "\r\nend";
    QCOMPARE(example.size(), 165);
    QTest::newRow("two tracks") << QStringList { "A.mp3 V7", "B.mp31V5 P30" } << example;
    QTest::newRow("no tracks") << QStringList() << QByteArray("end");
    const QString longName = QString(77, u'n') + ".mp3 V7";
    QTest::newRow("over 79 written whole")
        << QStringList { longName, "A.mp3 V7" } << longName.toUtf8() + "\r\nA.mp3 V7" + spaces(71) + "\r\nend";
    QTest::newRow("79 characters get no spaces")
        << QStringList { stringOfLength(79) } << stringOfLength(79).toUtf8() + "\r\nend";
}

void TestCardFiles::listing()
{
    QFETCH(QStringList, strings);
    QFETCH(QByteArray, expected);
    QCOMPARE(formatListing(strings), expected);
}

void TestCardFiles::parse_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<QStringList>>("expected");

    const QByteArray recordA = "A.mp3 V7" + spaces(71) + "\r\n";
    const QStringList entryA { "A.mp3", "A.mp3", "A.mp3 V7" };
    const QStringList entryB { "B.mp3", "B.mp3", "B.mp31V5 P30" };

    QTest::newRow("empty") << QByteArray() << QList<QStringList> {};
    QTest::newRow("only end") << QByteArray("end") << QList<QStringList> {};
    QTest::newRow("only END") << QByteArray("END") << QList<QStringList> {};
    QTest::newRow("terminator in mixed case") << QByteArray("eNd\r\n") << QList<QStringList> {};
    QTest::newRow("written file") << recordA + "end" << QList<QStringList> { entryA };
    QTest::newRow("no terminator") << recordA << QList<QStringList> { entryA };
    QTest::newRow("lines after the terminator are read")
        << recordA + "end\r\nB.mp31V5 P30" << QList<QStringList> { entryA, entryB };
    QTest::newRow("CR only") << QByteArray("A.mp3 V7\rB.mp31V5 P30\rend") << QList<QStringList> { entryA, entryB };
    QTest::newRow("LF only") << QByteArray("A.mp3 V7\nB.mp31V5 P30\nend\n") << QList<QStringList> { entryA, entryB };
    QTest::newRow("LF CR is two line ends")
        << QByteArray("A.mp3 V7\n\rB.mp31V5 P30") << QList<QStringList> { entryA, entryB };
    QTest::newRow("empty lines skipped") << QByteArray("\r\n\n\rA.mp3 V7\r\n\r\n") << QList<QStringList> { entryA };
    QTest::newRow("name with spaces") << QByteArray("My Old Song.mp3 V7 1+10   \r\nend")
                                      << QList<QStringList> { { "My Old Song.mp3", "My Old Song.mp3",
                                                                "My Old Song.mp3 V7 1+10" } };
    QTest::newRow(".mp3 twice") << QByteArray("a.mp3.mp3 V7\r\nend")
                                << QList<QStringList> { { "a.mp3", "a.mp3", "a.mp3.mp3 V7" } };
    QTest::newRow("upper-case .MP3") << QByteArray("LOUD.MP3 V7\r\nend")
                                     << QList<QStringList> { { "LOUD.MP3", "LOUD.MP3", "LOUD.MP3 V7" } };
    QTest::newRow("leading spaces stay in the name only")
        << QByteArray("  A.mp3 V7 \r\n") << QList<QStringList> { { "  A.mp3", "A.mp3", "A.mp3 V7" } };
    QTest::newRow("no .mp3 gives three characters")
        << QByteArray("Hello world\r\nab\r\n")
        << QList<QStringList> { { "Hel", "Hel", "Hello world" }, { "ab", "ab", "ab" } };
    QTest::newRow("three characters, not UTF-16 units")
        << QByteArray("\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB5xyz")
        << QList<QStringList> { { "🎵🎵🎵", "🎵🎵🎵", "🎵🎵🎵xyz" } };
    QTest::newRow("UTF-8 name") << QByteArray("Caf\xC3\xA9.mp3 V7\r\nend")
                                << QList<QStringList> { { "Café.mp3", "Café.mp3", "Café.mp3 V7" } };
    QTest::newRow("single-byte name") << QByteArray("Caf\xE9.mp3 V7\r\nend")
                                      << QList<QStringList> { { "Café.mp3", "Café.mp3", "Café.mp3 V7" } };
    QTest::newRow("NUL bytes") << QByteArray("A\0B.mp3 V7\r\n\0\r\nend", 18)
                               << QList<QStringList> { { QString::fromUtf8("A\0B.mp3", 7),
                                                         QString::fromUtf8("A\0B.mp3", 7),
                                                         QString::fromUtf8("A\0B.mp3 V7", 10) },
                                                       { QString(QChar(0)), QString(QChar(0)), QString(QChar(0)) } };
}

void TestCardFiles::parse()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<QStringList>, expected);
    QCOMPARE(entries(parseProgramFile(content)), expected);
}

void TestCardFiles::parseHugeInput()
{
    const QByteArray tail(1024 * 1024, 'x');
    const QList<ProgramEntry> longLine = parseProgramFile("A b.mp3 V7 " + tail + "\r\nend");
    QCOMPARE(longLine.size(), 1);
    QCOMPARE(longLine[0].trackName, QStringLiteral("A b.mp3"));
    QCOMPARE(longLine[0].commandString.size(), 11 + tail.size());

    QCOMPARE(parseProgramFile(tail)[0].trackName, QStringLiteral("xxx"));
    QVERIFY(parseProgramFile(QByteArray(1024 * 1024, '\n')).isEmpty());
}

void TestCardFiles::writtenStringsReadBack()
{
    const QStringList strings { "Intro.mp3 V7", "My Song.mp31V5 1+10 3+10 P30 1-40 1X60",
                                QStringLiteral("Été 🎵.mp37V9"), stringOfLength(79) };
    const ProgramFormat format = formatProgramFile(strings);
    QVERIFY(format.ok());
    QStringList readBack;
    for (const ProgramEntry &entry : parseProgramFile(format.content))
        readBack.append(entry.commandString);
    QCOMPARE(readBack, strings);
}

void TestCardFiles::singleValue_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("no line end") << QByteArray("Party mix") << QStringLiteral("Party mix");
    QTest::newRow("not trimmed") << QByteArray("  Party mix  ") << QStringLiteral("  Party mix  ");
    QTest::newRow("CR LF") << QByteArray("first\r\nsecond") << QStringLiteral("first");
    QTest::newRow("lone CR") << QByteArray("first\rsecond") << QStringLiteral("first");
    QTest::newRow("lone LF") << QByteArray("first\nsecond") << QStringLiteral("first");
    QTest::newRow("empty first line") << QByteArray("\r\nsecond") << QString();
    QTest::newRow("UTF-8") << QByteArray("F\xC3\xAAte") << QStringLiteral("Fête");
    QTest::newRow("single-byte") << QByteArray("F\xEAte\r\n") << QStringLiteral("Fête");
}

void TestCardFiles::singleValue()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QCOMPARE(readSingleValue(content), expected);
}

QTEST_GUILESS_MAIN(TestCardFiles)
#include "tst_cardfiles.moc"
