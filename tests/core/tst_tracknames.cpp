#include "card/tracknames.h"
#include "storage/cardstore.h"

#include <QtTest>

using namespace Vexolo;

class TestTrackNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listing_data()
    {
        QTest::addColumn<QStringList>("items"); // a trailing "/" makes a folder
        QTest::addColumn<QStringList>("expected");
        // clang-format off
        QTest::newRow("case ignored, folders too") << QStringList{"b.mp3", "A.mp3", "c.txt", "x/", "z.mp3/"} << QStringList{"A.mp3", "b.mp3", "z.mp3"};
        QTest::newRow("upper case") << QStringList{"TRACK02.MP3", "track01.Mp3", "t.mP3x"} << QStringList{"track01.Mp3", "TRACK02.MP3"};
        QTest::newRow("dot names; .mp3 elsewhere") << QStringList{".hidden.mp3", ".mp3", "song.mp3.bak", "mp3", "a.mp3 "} << QStringList{".hidden.mp3", ".mp3"};
        QTest::newRow("spaces, non-ASCII") << QStringList{"Zebra Song.mp3", "Élan.mp3", "apple pie.mp3"} << QStringList{"apple pie.mp3", "Zebra Song.mp3", "Élan.mp3"};
        QTest::newRow("sub-folders unread") << QStringList{"sub/", "sub/inner.mp3", "top.mp3"} << QStringList{"top.mp3"};
        // clang-format on
    }

    void listing()
    {
        QFETCH(QStringList, items);
        QTemporaryDir card;
        for (const QString &item : items)
            QVERIFY(item.endsWith('/') ? QDir(card.path()).mkpath(item)
                                       : QFile(card.filePath(item)).open(QFile::WriteOnly));
        CardStore store;
        store.choose(card.path());
        QTEST(store.listTracks(), "expected");
    }

    void sortMatchesInsertionAlgorithm()
    {
        // The card list's rule: each name goes before the first row that sorts strictly after it, so
        // names equal but for case keep the folder's order. The fast sort must agree for any order.
        const QStringList pool {"a.mp3", "A.mp3", "b.mp3", "B.MP3", "a b.mp3", "ab.mp3", "_x.mp3", "1.mp3", "é.mp3"};
        quint32 state = 1;
        for (int round = 0; round < 200; ++round) {
            QStringList names, inserted;
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

    void textNamesACardOnlyAsAbsoluteFolder()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("card") && QFile(dir.filePath("plain.txt")).open(QFile::WriteOnly));
        // Nothing may resolve against the working directory, even one that holds a folder of that name.
        QVERIFY(QDir::setCurrent(dir.path()));
        CardStore store;
        const auto chosen = [&store](const QString &text) { return store.choose(text), store.root(); };
        for (const QString &text : {QString(), QString("card"), QString("."), dir.filePath("plain.txt"), QString("/x")})
            QVERIFY2(chosen(text).isEmpty(), qPrintable(text));
        QCOMPARE(chosen(dir.filePath("card")), dir.filePath("card"));
        QCOMPARE(chosen(dir.path() + "/"), dir.path() + "/");
    }

    void extractFilename()
    {
        const QList<QPair<QString, QString>> cases {{"Intro.mp3", "Intro"},
                                                    {"a.mp3.mp3", "a"},
                                                    {"notes.txt", ""},
                                                    {"TRACK01.MP3", "TRACK01"},
                                                    {" My Song .mp3", " My Song "}};
        for (const auto &[name, expected] : cases)
            QCOMPARE(ExtractFilename(name), expected);
    }
};

QTEST_GUILESS_MAIN(TestTrackNames)
#include "tst_tracknames.moc"
