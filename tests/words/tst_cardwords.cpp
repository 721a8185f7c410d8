#include "words/cardwords.h"

#include <QtTest>

using namespace Vexolo;

// The words a card goes by, and the word after a write: what a technician with a desk of cards reads.
class TestCardWords final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sizes_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << qint64(0) << "0 bytes";
        QTest::newRow("just under a kilobyte") << qint64(999) << "999 bytes";
        QTest::newRow("a kilobyte") << qint64(1000) << "1.0 kB";
        QTest::newRow("rounds to ten: no decimal") << qint64(9'950'000) << "10 MB";
        QTest::newRow("just under ten") << qint64(9'949'999) << "9.9 MB";
        QTest::newRow("rounds up into the next unit") << qint64(999'500'000) << "1.0 GB";
        QTest::newRow("stays in its unit") << qint64(999'499'999) << "999 MB";
        QTest::newRow("past the last unit") << std::numeric_limits<qint64>::max() << "9223 PB";
    }

    void sizes()
    {
        QFETCH(qint64, bytes);
        QTEST(sizeText(bytes), "text");
    }

    void cards_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("player");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("volume"); // of 64,000,000 bytes
        QTest::newRow("label and player") << "/media/u/PLAYER03"
                                          << "PLAYER03"
                                          << "Player 3"
                                          << "PLAYER03 · Player 3"
                                          << "PLAYER03 — 64 MB — /media/u/PLAYER03";
        QTest::newRow("no label: the folder") << "/tmp/democard"
                                              << ""
                                              << ""
                                              << "democard"
                                              << "64 MB — /tmp/democard";
        QTest::newRow("label differs from the folder") << "/media/u/sdb1"
                                                       << "OCEAN"
                                                       << ""
                                                       << "OCEAN"
                                                       << "OCEAN — 64 MB — /media/u/sdb1";
        QTest::newRow("the root") << "/"
                                  << ""
                                  << "Player 1"
                                  << "/ · Player 1"
                                  << "64 MB — /";
    }

    void cards()
    {
        QFETCH(QString, root);
        QFETCH(QString, label);
        QFETCH(QString, player);
        QTEST(cardText(root, label, player), "card");
        QTEST(volumeText(root, label, 64'000'000), "volume");
    }

    void unknownSizeLeftOut() { QCOMPARE(volumeText("/media/x", "X", -1), "X — /media/x"); }

    void written_data()
    {
        QTest::addColumn<CardChange>("change");
        QTest::addColumn<QString>("word");
        const auto finished = [](ChangeCause::Kind kind, const QString &subject, qsizetype count = 0) {
            return CardChange::finished({kind, subject}, count);
        };
        QTest::newRow("save") << finished(ChangeCause::Save, "1") << "Program 1 saved on CARD";
        QTest::newRow("delete") << finished(ChangeCause::Delete, "0") << "Program 0 deleted from CARD";
        QTest::newRow("one track") << finished(ChangeCause::TracksCopiedIn, {}, 1) << "1 track copied onto CARD";
        QTest::newRow("tracks") << finished(ChangeCause::TracksCopiedIn, {}, 12) << "12 tracks copied onto CARD";
        QTest::newRow("apply") << finished(ChangeCause::Apply, "/media/u/Reference")
                               << "Reference Reference applied "
                                  "to CARD";
        QTest::newRow("restore") << finished(ChangeCause::Restore, "22b41a2d859e")
                                 << "Version 22b41a2d859e restored on CARD";
        QTest::newRow("copy") << finished(ChangeCause::CopySetup, {}) << "Setup copied onto CARD";
        QTest::newRow("a track's settings")
            << CardChange {CardChange::TrackCommandWritten, 0, 0, {}, "A.mp3"} << "Settings of A.mp3 saved on CARD";
        // A part of a write is no word: the program saved may still fail its name or listing.
        QTest::newRow("program file alone") << CardChange {CardChange::ProgramSaved, 1, 3, "Hall", {}} << "";
        QTest::newRow("setup changed") << CardChange {} << "";
    }

    void written()
    {
        QFETCH(CardChange, change);
        QTEST(writtenText(change, "CARD"), "word");
    }
};

QTEST_GUILESS_MAIN(TestCardWords)
#include "tst_cardwords.moc"
