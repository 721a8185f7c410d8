#include "storage/trackcommandlookup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Vexolo;

class TestTrackCommandLookup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lookup_data();
    void lookup();
    void staysInsideTheRoot_data();
    void staysInsideTheRoot();
    void noCardGivesTheDefault();

private:
    static bool write(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }
};

void TestTrackCommandLookup::lookup_data()
{
    QTest::addColumn<QString>("track");
    QTest::addColumn<QString>("file"); // created in the card root when not empty
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    const QString longString = "Long.mp3 V7 " + QString(90, u'1');
    QTest::newRow("no command file") << "Intro.mp3"
                                     << "" << QByteArray() << "Intro.mp3 V7";
    QTest::newRow("command file") << "Song.mp3"
                                  << "Song.adv" << QByteArray("Song.mp31V5 P30") << "Song.mp31V5 P30";
    QTest::newRow("first line only") << "Song.mp3"
                                     << "Song.adv" << QByteArray("Song.mp3 V3\r\nSong.mp3 V4") << "Song.mp3 V3";
    QTest::newRow("empty file gives empty string") << "Song.mp3"
                                                   << "Song.adv" << QByteArray() << "";
    QTest::newRow("not trimmed") << "Song.mp3"
                                 << "Song.adv" << QByteArray(" Song.mp3 V3 ") << " Song.mp3 V3 ";
    QTest::newRow("over 79 returned whole") << "Long.mp3"
                                            << "Long.adv" << longString.toUtf8() << longString;
    QTest::newRow("upper-case extension") << "LOUD.MP3"
                                          << "LOUD.adv" << QByteArray("LOUD.MP35V2") << "LOUD.MP35V2";
    QTest::newRow("name with spaces, not trimmed")
        << " My Song.mp3"
        << " My Song.adv" << QByteArray("My Song.mp3 V2") << "My Song.mp3 V2";
    QTest::newRow("single-byte file") << "Fete.mp3"
                                      << "Fete.adv" << QByteArray("F\xEAte.mp3 V2") << "Fête.mp3 V2";
    QTest::newRow("first line of a big file")
        << "Big.mp3"
        << "Big.adv" << QByteArray(100000, 'x') + "\nrest" << QString(100000, u'x');
}

void TestTrackCommandLookup::lookup()
{
    QFETCH(QString, track);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);

    QTemporaryDir card;
    QVERIFY(card.isValid());
    if (!file.isEmpty())
        QVERIFY(write(card.filePath(file), content));

    const TrackCommandLookup result = lookupTrackCommand(card.path(), track);
    QCOMPARE(result.commandString, expected);
    QVERIFY(!result.readFailed);
}

void TestTrackCommandLookup::staysInsideTheRoot_data()
{
    QTest::addColumn<QString>("track");
    QTest::addColumn<bool>("readFailed");

    QTest::newRow("slash") << "../outside.mp3" << false;
    QTest::newRow("backslash") << "..\\outside.mp3" << false;
    QTest::newRow("NUL cuts the name short") << QString::fromUtf8("inside\0.mp3", 11) << false;
    QTest::newRow("no .mp3: the name itself is no command file") << "inside" << false;
    // A folder where the file should be exists but cannot be read.
    QTest::newRow("folder named like the file") << "folder.mp3" << true;
}

void TestTrackCommandLookup::staysInsideTheRoot()
{
    QFETCH(QString, track);
    QFETCH(bool, readFailed);

    QTemporaryDir parent;
    QVERIFY(parent.isValid());
    const QString root = parent.filePath("card");
    QVERIFY(QDir().mkpath(root + "/folder.adv"));
    QVERIFY(write(parent.filePath("outside.adv"), "Outside"));
    QVERIFY(write(root + "/..\\outside.adv", "Backslash"));
    QVERIFY(write(root + "/inside", "Inside"));

    const TrackCommandLookup result = lookupTrackCommand(root, track);
    QCOMPARE(result.commandString, track + " V7");
    QCOMPARE(result.readFailed, readFailed);
}

void TestTrackCommandLookup::noCardGivesTheDefault()
{
    QCOMPARE(lookupTrackCommand(QString(), "Intro.mp3").commandString, QStringLiteral("Intro.mp3 V7"));
}

QTEST_GUILESS_MAIN(TestTrackCommandLookup)
#include "tst_trackcommandlookup.moc"
