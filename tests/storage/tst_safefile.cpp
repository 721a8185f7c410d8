#include "storage/safefile.h"

#include "support/testcard.h"

#include <QTest>

// A replacement either happens whole or leaves the card exactly as it was, with no stray file.
class TestSafeFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replace_data()
    {
        QTest::addColumn<QString>("old"); // the file there first; then "Program1.txt" is replaced
        QTest::addColumn<QString>("kind"); // of card: a plain folder, or a tmpfs made read-only or full
        QTest::addColumn<bool>("replaced");
        // clang-format off
        QTest::newRow("replaces a longer file") << "Program1.txt" << "folder" << true;
        QTest::newRow("name is a folder") << "Program1.txt/inside.txt" << "folder" << false;
        QTest::newRow("read-only mount") << "Program1.txt" << "read-only" << false;
        QTest::newRow("full tiny tmpfs") << "Program1.txt" << "full" << false;
        // clang-format on
    }

    void replace()
    {
        QFETCH(QString, old);
        QFETCH(QString, kind);
        QFETCH(bool, replaced);
        const QByteArray oldContent = "Song.mp31V5 P30" + QByteArray(64, ' ') + "\r\nend", content = "Intro.mp3 V7";
        TestCard card;
        if (kind != "folder" && !card.mountTmpfs(kind == "full" ? 64 * 1024 : 1 << 20))
            QSKIP("mounting a tmpfs is not permitted here");
        QVERIFY(card.write(old, oldContent));
        if (kind == "read-only")
            QVERIFY(card.makeReadOnly());
        else if (kind == "full")
            card.fill();
        const QStringList before = card.snapshot();
        QString error;
        QCOMPARE(Vexolo::writeFileSafely(card.path("Program1.txt"), content, &error), replaced);
        QCOMPARE(error.isEmpty(), replaced);
        QCOMPARE(card.read(old), replaced ? content : oldContent);
        QCOMPARE(card.snapshot(), before);
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
