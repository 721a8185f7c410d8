#include "storage/cardlock.h"
#include "storage/cardstore.h"
#include "support/testcard.h"

#include <QtTest>

using namespace Vexolo;

// A write of a store, and the first error it reports.
using Write = std::function<CardError(CardStore &)>;
Q_DECLARE_METATYPE(Write)

// One writer per card: while another writer holds a card, every write of a store on it, however the card is reached,
// waits, says so, and is refused whole; once the other is done it goes through.
class TestCardLock : public QObject
{
    Q_OBJECT

    static CardError first(const Notices &notices) { return notices.isEmpty() ? CardError() : notices[0].error; }

private Q_SLOTS:
    void init() { setCardWriterWait(std::chrono::milliseconds(0)); }
    void cleanup() { setCardWriterWait(std::chrono::seconds(20)); }

    void everyWrite_data()
    {
        QTest::addColumn<Write>("write");
        const CardStore::FileWrite command {CardStore::Folder::Root, "A.adv", "A.mp3 V3"};
        QTest::newRow("save") << Write([](CardStore &store) {
            return first(store.save(store.prepareSave(2, {"A.mp3 V3"}, "Two"), {"A.mp3"}).notices);
        });
        QTest::newRow("delete") << Write([](CardStore &store) { return first(store.deleteProgram(1).notices); });
        QTest::newRow("track settings") << Write(
            [](CardStore &store) { return first(store.writeTrackCommand("A.mp3", "A.mp3 V2")); });
        QTest::newRow("listing") << Write([](CardStore &store) { return first(store.rewriteListing()); });
        QTest::newRow("setup files") << Write(
            [command](CardStore &store) { return store.writeFiles({command}).value(0); });
        QTest::newRow("removal") << Write([](CardStore &store) {
            return store.removeFiles({{CardStore::Folder::Programs, "Program1.txt", {}}}).value(0);
        });
        QTest::newRow("orphan") << Write([](CardStore &store) { return store.removeOrphanCommandFile("Z.adv"); });
        QTest::newRow("tracks copied in") << Write([](CardStore &store) {
            return first(store.copyTracksIn({{"A.mp3", "B.mp3", &store}}).notices);
        });
    }

    void everyWrite()
    {
        QFETCH(Write, write);
        TestCard card({"A.mp3"});
        card.write("Programs/Program1.txt", "end");
        card.write("Z.adv", "Z.mp3 V1");
        // The other writer reaches the card through a link on its way: the lock is the card's, not its path's.
        const QFileInfo root(card.root());
        const QString link = root.absolutePath() + "-link";
        QVERIFY(QFile::link(root.absolutePath(), link));
        const std::optional<CardWriteLock> other(std::in_place, CardStore(link + '/' + root.fileName()).identity());
        QFile::remove(link);
        QVERIFY(other->held());
        CardStore store(card);
        const QStringList before = card.snapshot(true);
        QCOMPARE(write(store).cause, CardError::Busy);
        QCOMPARE(card.snapshot(true), before);
    }

    // A piece of work waits for the other writer once, saying so as it looks again, and its writes follow its answer;
    // the store's own nested writes never wait for itself.
    void aPieceOfWork()
    {
        TestCard card({"A.mp3"});
        CardStore store(card);
        std::optional<CardWriteLock> other(std::in_place, store.identity());
        setCardWriterWait(std::chrono::milliseconds(250));
        int told = 0;
        const WriterWaitReport waiting([&told] { ++told; });
        {
            const CardStore::Work work(store, {ChangeCause::Repair, {}});
            QVERIFY(!work.held() && told > 0);
            told = 0;
            QCOMPARE(first(store.rewriteListing()).cause, CardError::Busy);
            QCOMPARE(told, 0); // refused at once: the work waited already
        }
        other.reset();
        const CardStore::Work work(store, {ChangeCause::Repair, {}});
        QVERIFY(work.held() && store.holdForWrites());
        QVERIFY(store.rewriteListing().isEmpty() && store.writeTrackCommand("A.mp3", "A.mp3 V2").isEmpty());
        QVERIFY(!CardWriteLock(store.identity()).held()); // held for the work, against every other writer
    }
};

QTEST_GUILESS_MAIN(TestCardLock)
#include "tst_cardlock.moc"
