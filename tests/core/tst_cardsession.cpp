#include "storage/cardsession.h"

#include <QtTest>

using namespace Vexolo;

// The card session: calls on one card queue, other cards are not held up by a card that stops answering, a card
// forgotten takes new calls at once, and the program's end waits for writes, not for ever.
class TestCardSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aCardThatStopsAnswering()
    {
        CardSession &session = CardSession::instance();
        std::atomic<bool> answers = false;
        QStringList told;
        QObject window;
        const auto tell = [&told](const QString &what) { return [&told, what] { told << what; }; };
        session.run(
            "a", &window,
            [&answers] {
                while (!answers)
                    QThread::msleep(1);
            },
            tell("a1"), CardSession::Mode::Write);
        session.run(
            "a", &window, [] {}, tell("a2"));
        session.run(
            "b", &window, [] {}, tell("b"));
        QTRY_COMPARE(told, QStringList {"b"});
        QVERIFY(!session.waitForWrites(std::chrono::milliseconds(20)));
        session.forgetCard("a");
        session.run(
            "a", &window, [] {}, tell("a3"));
        QTRY_COMPARE(told, QStringList({"b", "a3"}));
        QVERIFY(session.idle() && session.working());
        answers = true;
        QVERIFY(session.waitForWrites(std::chrono::seconds(5)));
        QTRY_VERIFY(!session.working());
        QCoreApplication::processEvents();
        QCOMPARE(told.size(), 2); // what was forgotten tells nothing
    }
};

QTEST_GUILESS_MAIN(TestCardSession)
#include "tst_cardsession.moc"
