#include "card/tracknames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Vexolo;

class TestTrackNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listing_data();
    void listing();
    void tiesKeepListingOrder();
    void sortMatchesInsertionAlgorithm();
    void cardRoot_data();
    void cardRoot();
    void extractFilename_data();
    void extractFilename();
};

void TestTrackNames::listing_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("case ignored, others skipped")
        << QStringList{"b.mp3", "A.mp3", "c.txt"} << QStringList{"x"} << QStringList{"A.mp3", "b.mp3"};
    QTest::newRow("upper-case extension") << QStringList{"TRACK02.MP3", "track01.Mp3", "t.mP3x"} << QStringList{}
                                          << QStringList{"track01.Mp3", "TRACK02.MP3"};
    QTest::newRow("folder named like a track is listed")
        << QStringList{"b.mp3"} << QStringList{"a.mp3"} << QStringList{"a.mp3", "b.mp3"};
    QTest::newRow("dot names and the bare extension")
        << QStringList{".hidden.mp3", ".mp3", "z.mp3"} << QStringList{} << QStringList{".hidden.mp3", ".mp3", "z.mp3"};
    QTest::newRow(".mp3 elsewhere does not count")
        << QStringList{"song.mp3.bak", "mp3", "a.mp3 "} << QStringList{} << QStringList{};
    QTest::newRow("spaces and non-ASCII letters")
        << QStringList{"Zebra Song.mp3", "Élan vital.mp3", "apple pie.mp3", "Ölfass.mp3"} << QStringList{}
        << QStringList{"apple pie.mp3", "Zebra Song.mp3", "Élan vital.mp3", "Ölfass.mp3"};
    QTest::newRow("tracks in sub-folders are not listed")
        << QStringList{"sub/inner.mp3", "top.mp3"} << QStringList{"sub"} << QStringList{"top.mp3"};
    QTest::newRow("no tracks") << QStringList{"readme.txt"} << QStringList{} << QStringList{};
}

void TestTrackNames::listing()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, expected);

    QTemporaryDir card;
    QVERIFY(card.isValid());
    for (const QString &folder : folders)
        QVERIFY(QDir(card.path()).mkpath(folder));
    for (const QString &name : files) {
        QFile file(card.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QCOMPARE(listCardTracks(card.path()), expected);
}

void TestTrackNames::tiesKeepListingOrder()
{
    // Names equal but for case tie: each goes after the ones already listed.
    QCOMPARE(sortTracks({"b.mp3", "SONG.mp3", "a.mp3", "song.MP3", "Song.mp3"}),
             (QStringList{"a.mp3", "b.mp3", "SONG.mp3", "song.MP3", "Song.mp3"}));
}

void TestTrackNames::sortMatchesInsertionAlgorithm()
{
    // The listing rule: scan from the top, insert before the first row that sorts strictly after
    // the name. The fast sort must give exactly that order for any listing order.
    const QStringList pool{"a.mp3", "A.mp3", "b.mp3", "B.MP3", "a b.mp3", "ab.mp3", "_x.mp3", "1.mp3", "é.mp3"};
    for (int seed = 0; seed < 200; ++seed) {
        QStringList names;
        quint32 state = seed * 2654435761u + 1;
        for (int i = 0; i < 12; ++i) {
            state = state * 1664525u + 1013904223u;
            names.append(pool[(state >> 16) % pool.size()]);
        }
        QStringList inserted;
        for (const QString &name : names) {
            qsizetype at = 0;
            while (at < inserted.size() && !sortsAfter(inserted[at], name))
                ++at;
            inserted.insert(at, name);
        }
        QCOMPARE(sortTracks(names), inserted);
    }
}

void TestTrackNames::cardRoot_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("names");

    QTest::newRow("empty") << QString() << false;
    QTest::newRow("relative") << QStringLiteral("card") << false;
    QTest::newRow("dot") << QStringLiteral(".") << false;
    QTest::newRow("missing absolute") << QStringLiteral("/no/such/card/here") << false;
    QTest::newRow("file, not folder") << QStringLiteral("FILE") << false;
    QTest::newRow("existing folder") << QStringLiteral("ROOT") << true;
    QTest::newRow("with trailing slash") << QStringLiteral("ROOT/") << true;
}

void TestTrackNames::cardRoot()
{
    QFETCH(QString, text);
    QFETCH(bool, names);

    QTemporaryDir dir;
    QFile file(dir.filePath("plain.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    // A relative text must never resolve against the working directory, even one that holds it.
    QVERIFY(QDir::setCurrent(dir.path()));
    QDir(dir.path()).mkdir("card");
    text.replace("FILE", file.fileName()).replace("ROOT", dir.path());
    QCOMPARE(!cardRootFromText(text).isEmpty(), names);
}

void TestTrackNames::extractFilename_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "Intro.mp3" << "Intro";
    QTest::newRow("twice") << "a.mp3.mp3" << "a";
    QTest::newRow("upper case") << "TRACK01.MP3" << "TRACK01";
    QTest::newRow("none") << "notes.txt" << "";
    QTest::newRow("only extension") << ".mp3" << "";
    QTest::newRow("spaces kept") << " My Song .mp3" << " My Song ";
}

void TestTrackNames::extractFilename()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(ExtractFilename(name), expected);
}

QTEST_GUILESS_MAIN(TestTrackNames)
#include "tst_tracknames.moc"
