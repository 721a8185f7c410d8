#include "storage/cardsession.h"

#include <QCoreApplication>
#include <QThread>

#include <deque>
#include <thread>

namespace Vexolo {

namespace {

std::atomic<std::chrono::milliseconds::rep> g_answerLimit = 4000;

} // namespace

std::chrono::milliseconds cardAnswerLimit()
{
    return std::chrono::milliseconds(g_answerLimit.load());
}

void setCardAnswerLimit(std::chrono::milliseconds limit)
{
    g_answerLimit = limit.count();
}

struct CardSession::Call
{
    QPointer<QObject> receiver;
    std::function<void()> done;
    QString card;
    QMetaObject::Connection receiverGone;
    std::atomic<bool> abandoned = false;
};

struct CardSession::Queue
{
    struct Job
    {
        std::function<void()> work;
        bool write = false;
    };
    std::deque<Job> jobs; // under the session's mutex
    bool running = false; // a worker takes the jobs
};

CardSession::CardSession()
    : m_writes(std::make_shared<std::atomic<int>>(0))
{
    qRegisterMetaType<Vexolo::CardIdentity>();
    qRegisterMetaType<Vexolo::CardChange>();
}

CardSession::~CardSession() = default;

CardSession &CardSession::instance()
{
    // Never destroyed: a worker blocked on a dead card may still hand in its result as the program ends.
    static CardSession *const session = [] {
        auto *made = new CardSession;
        if (const QCoreApplication *application = QCoreApplication::instance())
            made->moveToThread(application->thread());
        return made;
    }();
    return *session;
}

CallId CardSession::start(const QString &card, QObject *receiver, std::function<void()> work,
                          std::function<void()> done, Mode mode)
{
    const CallId id = ++m_next;
    auto call = std::make_shared<Call>();
    call->receiver = receiver;
    call->done = std::move(done);
    call->card = card;
    // A result nobody can take is not waited for.
    if (receiver)
        call->receiverGone = connect(receiver, &QObject::destroyed, this, [this, id] { abandon(id); });
    m_calls.insert(id, call);
    const bool write = mode == Mode::Write;
    if (write)
        ++*m_writes;
    Queue::Job job {[this, id, call, work = std::move(work), write, writes = m_writes] {
                        work();
                        if (write)
                            --*writes;
                        if (!call->abandoned.load())
                            QMetaObject::invokeMethod(
                                this, [this, id] { deliver(id); }, Qt::QueuedConnection);
                    },
                    write};
    std::shared_ptr<Queue> queue;
    bool startWorker = false;
    {
        const std::lock_guard lock(m_mutex);
        std::shared_ptr<Queue> &slot = m_queues[card];
        if (!slot)
            slot = std::make_shared<Queue>();
        queue = slot;
        queue->jobs.push_back(std::move(job));
        startWorker = !std::exchange(queue->running, true);
    }
    // One worker a card while it has work; it ends when its queue is empty, so idle cards hold no thread. Detached:
    // one blocked in the kernel on a dead card is left there, and ends with the process.
    if (startWorker)
        std::thread([this, queue] { runQueue(queue); }).detach();
    return id;
}

void CardSession::runQueue(std::shared_ptr<Queue> queue)
{
    for (;;) {
        Queue::Job job;
        {
            const std::lock_guard lock(m_mutex);
            if (queue->jobs.empty()) {
                queue->running = false;
                return;
            }
            job = std::move(queue->jobs.front());
            queue->jobs.pop_front();
            ++*m_running;
        }
        job.work();
        --*m_running;
    }
}

void CardSession::deliver(CallId id)
{
    const std::shared_ptr<Call> call = m_calls.take(id);
    if (!call || call->abandoned.load())
        return;
    disconnect(call->receiverGone);
    if (call->receiver && call->done)
        call->done();
}

void CardSession::abandon(CallId id)
{
    if (const std::shared_ptr<Call> call = m_calls.take(id)) {
        call->abandoned = true;
        disconnect(call->receiverGone);
    }
}

void CardSession::forgetCard(const QString &card)
{
    for (auto it = m_calls.begin(); it != m_calls.end();) {
        if (it.value()->card == card) {
            it.value()->abandoned = true;
            disconnect(it.value()->receiverGone);
            it = m_calls.erase(it);
        } else {
            ++it;
        }
    }
    const std::lock_guard lock(m_mutex);
    const std::shared_ptr<Queue> queue = m_queues.take(card);
    if (!queue)
        return;
    // What waits behind the blocked call never runs: its writes are not waited for at the end.
    for (const Queue::Job &job : queue->jobs) {
        if (job.write)
            --*m_writes;
    }
    queue->jobs.clear();
}

bool CardSession::pending(CallId id) const
{
    return m_calls.contains(id);
}

bool CardSession::idle() const
{
    return m_calls.isEmpty();
}

bool CardSession::waitForWrites(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_writes->load() > 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QThread::msleep(10);
    }
    return true;
}

void CardSession::tell(const CardIdentity &card, const CardChange &change)
{
    Q_EMIT cardChanged(card, change);
}

} // namespace Vexolo
