#include "playlist/cardtracks.h"
#include "storage/cardstore.h"
#include "support/testcard.h"

#include <QtTest>

using namespace Vexolo;
using namespace Qt::StringLiterals;

// The card's tracks as list rows: the name a person reads, and the name on the card for the program.
class TestCardTracks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Marks: a command file of the track's own (found in the one read of the card's folder), a name too long for
    // any playlist.
    void marks()
    {
        const QString longest = QString(72, u'x') + ".mp3"; // with " V7", a record's 79 characters
        const TestCard card({"A.mp3", "A.adv", "b.MP3", "B.ADV", "c.mp3", "c.mp3.adv", "d.mp3.mp3", "d.mp3.adv",
                             longest, u'y' + longest});
        const CardChoice choice = CardStore::findCard(card, true);
        CardTracks tracks;
        QAbstractItemModelTester tester(&tracks, QAbstractItemModelTester::FailureReportingMode::QtTest);
        tracks.setTracks(choice.tracks, choice.withCommandFile);
        QSignalSpy changed(&tracks, &QAbstractItemModel::dataChanged);
        tracks.setOwnSettings("c.mp3", true);
        tracks.setOwnSettings("A.mp3", false);
        tracks.setOwnSettings("gone.mp3", true);
        QCOMPARE(changed.count(), 2); // the first row too; no row for a track not listed
        QString marks;
        for (int row = 0; row < tracks.rowCount(); ++row)
            marks += QString::number(tracks.index(row).data(CardTracks::OwnSettingsRole).toInt()
                                     + 2 * tracks.index(row).data(CardTracks::TooLongRole).toInt());
        QCOMPARE(choice.tracks.join(u' '), "A.mp3 b.MP3 c.mp3 d.mp3.mp3 " + longest + " y" + longest);
        QCOMPARE(marks, "011002");
        QVERIFY(!tracks.index(6).isValid()); // none past the last row
        // A drag carries the names as they are, in the list's order, whichever was chosen first; another list's rows
        // are none of this one's. A name that is no text shows as U+FFFD and travels as the card has it.
        tracks.setTracks({"A.mp3", u"B\xDCE9.mp3"_s});
        CardTracks longer;
        longer.setTracks(QStringList(5, "C.mp3"));
        const std::unique_ptr<QMimeData> dragged(
            tracks.mimeData({tracks.index(1), tracks.index(0), {}, longer.index(4)}));
        QCOMPARE(CardTracks::tracksOf(*dragged), QStringList({"A.mp3", u"B\xDCE9.mp3"_s}));
        QCOMPARE(tracks.index(1).data().toString(), u"B\uFFFD.mp3"_s);
        QVERIFY(CardTracks::tracksOf(QMimeData()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCardTracks)
#include "tst_cardtracks.moc"
