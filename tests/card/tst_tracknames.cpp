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
    void sortMatchesInsertionAlgorithm();
    void textNamesACardOnlyAsAbsoluteFolder();
    void extractFilename_data();
    void extractFilename();
};

void TestTrackNames::listing_data()
{
    QTest::addColumn<QStringList>("items"); // a trailing "/" makes a folder
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("case ignored") << QStringList{"b.mp3", "A.mp3", "c.txt", "x/"} << QStringList{"A.mp3", "b.mp3"};
    QTest::newRow("upper case") << QStringList{"TRACK02.MP3", "track01.Mp3", "t.mP3x"} << QStringList{"track01.Mp3", "TRACK02.MP3"};
    QTest::newRow("folder like a track") << QStringList{"b.mp3", "a.mp3/"} << QStringList{"a.mp3", "b.mp3"};
    QTest::newRow("dot names") << QStringList{".hidden.mp3", ".mp3", "z.mp3"} << QStringList{".hidden.mp3", ".mp3", "z.mp3"};
    QTest::newRow(".mp3 elsewhere") << QStringList{"song.mp3.bak", "mp3", "a.mp3 "} << QStringList{};
    QTest::newRow("spaces, non-ASCII") << QStringList{"Zebra Song.mp3", "Élan.mp3", "apple pie.mp3"} << QStringList{"apple pie.mp3", "Zebra Song.mp3", "Élan.mp3"};
    QTest::newRow("sub-folders unread") << QStringList{"sub/", "sub/inner.mp3", "top.mp3"} << QStringList{"top.mp3"};
}

void TestTrackNames::listing()
{
    QFETCH(QStringList, items);
    QFETCH(QStringList, expected);

    QTemporaryDir card;
    for (const QString &item : items) {
        if (item.endsWith('/'))
            QVERIFY(QDir(card.path()).mkpath(item));
        else
            QVERIFY(QFile(card.filePath(item)).open(QIODevice::WriteOnly));
    }
    QCOMPARE(listCardTracks(card.path()), expected);
}

void TestTrackNames::sortMatchesInsertionAlgorithm()
{
    // The card list's rule: each name goes before the first row that sorts strictly after it, so
    // names equal but for case keep the folder's order. The fast sort must agree for any order.
    const QStringList pool{"a.mp3", "A.mp3", "b.mp3", "B.MP3", "a b.mp3", "ab.mp3", "_x.mp3", "1.mp3", "é.mp3"};
    quint32 state = 1;
    for (int round = 0; round < 200; ++round) {
        QStringList names;
        QStringList inserted;
        for (int i = 0; i < 12; ++i) {
            state = state * 1664525u + 1013904223u;
            names.append(pool[(state >> 16) % pool.size()]);
            qsizetype at = 0;
            while (at < inserted.size() && !sortsAfter(inserted[at], names.last()))
                ++at;
            inserted.insert(at, names.last());
        }
        QCOMPARE(sortTracks(names), inserted);
    }
}

void TestTrackNames::textNamesACardOnlyAsAbsoluteFolder()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("card"));
    QVERIFY(QFile(dir.filePath("plain.txt")).open(QIODevice::WriteOnly));
    // Nothing may resolve against the working directory, even one that holds a folder of that name.
    QVERIFY(QDir::setCurrent(dir.path()));
    for (const QString &text : {QString(), QStringLiteral("card"), QStringLiteral("."), dir.filePath("plain.txt"),
                                QStringLiteral("/no/such/card")})
        QVERIFY2(cardRootFromText(text).isEmpty(), qPrintable(text));
    QCOMPARE(cardRootFromText(dir.filePath("card")), dir.filePath("card"));
    QCOMPARE(cardRootFromText(dir.path() + "/"), dir.path() + "/");
}

void TestTrackNames::extractFilename_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "Intro.mp3" << "Intro";
    QTest::newRow("twice") << "a.mp3.mp3" << "a";
    QTest::newRow("upper case") << "TRACK01.MP3" << "TRACK01";
    QTest::newRow("none") << "notes.txt" << "";
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
