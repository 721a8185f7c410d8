#pragma once

#include "storage/cardlock.h"
#include "storage/cardsession.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class QWidget;

namespace Vexolo::Ui {

class CardWait;

// What card work may use while it runs: report how far it has come, and ask whether to go on.
struct CallControl
{
    std::function<void(qint64 done, qint64 total)> progress;
    std::function<bool()> keepGoing;
    std::function<void()> writerWaits; // the card's write waits for another program (cardlock.h)
};

// A window's card work, started on the card session: the window's thread never waits for a card. One call at a
// time a window, the others queued in the order asked; its result is handed to done when it comes. After a second the
// window says what waits
// ("Saving program 1 on the card…") with Cancel; when the card has neither answered nor reported progress for the
// answer limit, "The card does not answer." with Wait and Forget. Cancel stops the work at its next step and
// drops its result; Forget drops it too, lets the card's worker be (it may stay blocked in the kernel) and asks
// the window to forget the card. While its write waits for another program writing to the card, it says so. A safe
// write leaves nothing half-written whichever way it ends.
class CardCalls final : public QObject
{
    Q_OBJECT

public:
    explicit CardCalls(QWidget &window);
    ~CardCalls() override;
    Q_DISABLE_COPY_MOVE(CardCalls)

    struct Call
    {
        QString card; // the card's root: calls on one card queue behind each other
        QString what; // what waits, as the user reads it
        CardSession::Mode mode = CardSession::Mode::Read;
        bool cancellable = true;
    };

    // Starts work, or queues it behind the call that is out: the window's calls run in the order asked.
    template<typename T>
    void start(const Call &call, std::function<T(const CallControl &)> work, std::function<void(T)> done)
    {
        m_waiting.append([this, call, work = std::move(work), done = std::move(done)] {
            const CallControl control = begin(call);
            m_id = CardSession::instance().run<T>(
                call.card, this,
                [work, control] {
                    const WriterWaitReport waiting(control.writerWaits);
                    return work(control);
                },
                [this, done](T result) {
                    end();
                    if (done)
                        done(std::move(result));
                    Q_EMIT finished();
                    next();
                },
                call.mode);
        });
        if (!busy())
            next();
    }

    bool busy() const { return m_id != 0; }
    // Drops the call under way, as Cancel does; those queued behind it go on.
    void cancel();
    // Drops the call under way and those queued.
    void cancelAll();
    // The wait window, while it shows; for tests and screen readers.
    QWidget *waitWindow() const;

Q_SIGNALS:
    // The user chose to forget the card that does not answer.
    void forgetCard(const QString &card);
    // A call ended: its result shown, or dropped.
    void finished();

private:
    struct Shared;
    CallControl begin(const Call &call);
    void end();
    void next();
    void tick();
    void showWait(bool noAnswer);

    QWidget &m_window;
    CallId m_id = 0;
    Call m_call;
    std::shared_ptr<Shared> m_shared;
    QElapsedTimer m_started;
    QElapsedTimer m_quiet; // since the card last answered or reported progress
    qint64 m_lastDone = -1;
    QTimer m_timer;
    QPointer<CardWait> m_wait;
    QList<std::function<void()>> m_waiting; // calls asked for while one was out
};

} // namespace Vexolo::Ui
