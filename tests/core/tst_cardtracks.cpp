#include "playlist/cardtracks.h"

#include <QAbstractItemModelTester>
#include <QTest>

using namespace Vexolo;
using namespace Qt::StringLiterals;

// The card's tracks as list rows: the name a person reads, and the name on the card for the program.
class TestCardTracks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rows()
    {
        CardTracks tracks;
        QAbstractItemModelTester tester(&tracks, QAbstractItemModelTester::FailureReportingMode::QtTest);
        tracks.setTracks({"A.mp3", u"B\xDCE9.mp3"_s});
        QStringList shown;
        for (const int role :
             {int(Qt::DisplayRole), int(Qt::ToolTipRole), int(CardTracks::NameRole), int(Qt::EditRole)})
            shown << tracks.index(1).data(role).toString();
        QCOMPARE(shown, QStringList({u"B\uFFFD.mp3"_s, u"B\uFFFD.mp3"_s, u"B\xDCE9.mp3"_s, ""}));
        QCOMPARE(tracks.rowCount(tracks.index(0)), 0);
        QVERIFY(!tracks.index(2).isValid() && !tracks.index(0, 1).isValid());
    }
};

QTEST_GUILESS_MAIN(TestCardTracks)
#include "tst_cardtracks.moc"
