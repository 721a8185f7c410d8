#pragma once

#include "storage/mounts.h"
#include "storage/programnumber.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace Vexolo {

// What a piece of work on a card is, as the fleet's history records it: its kind and what it concerns (a program's
// number, a track, a file, the reference or the version; nothing for the kinds that concern the whole card).
struct ChangeCause
{
    enum Kind {
        Save,
        Delete,
        TrackSettings,
        TracksCopiedIn,
        Listing,
        SetupFiles,
        SetupFilesRemoved,
        CommandFileRemoved,
        Repair,
        RepairAll,
        CopySetup,
        Apply,
        Restore,
        Other, // subject: said as it is (tools of the benchmark)
    };
    Kind kind = SetupFiles;
    QString subject;
};

// What became of a card, told to every view of it whoever wrote it.
struct CardChange
{
    enum Kind {
        ProgramSaved, // number, entries, name
        ProgramDeleted, // number
        TrackCommandWritten, // track
        SetupChanged, // anything else: a repair, a restore, an apply, tracks copied in
        PlayersChanged, // the fleet's register (no card)
        Finished, // a piece of work wrote all it set out to and read it back: cause, entries (tracks copied)
        HistoryNotKept, // the card's setup could not be recorded before or after a write: name, why
    };
    Kind kind = SetupChanged;
    ProgramNumber number = 0;
    qsizetype entries = 0;
    QString name;
    QString track;
    ChangeCause cause {};

    static CardChange finished(const ChangeCause &cause, qsizetype count = 0)
    {
        return {Finished, 0, count, {}, {}, cause};
    }
    static CardChange playersChanged() { return {PlayersChanged, 0, 0, {}, {}, {}}; }
    static CardChange historyNotKept(const QString &why) { return {HistoryNotKept, 0, 0, why, {}, {}}; }
};

// How long a card may take to answer before the user is told that it does not (4 s; tests shorten it).
std::chrono::milliseconds cardAnswerLimit();
void setCardAnswerLimit(std::chrono::milliseconds limit);

// A call's handle, for abandoning it.
using CallId = quint64;

// The one way card work leaves the window's thread. Every call runs on the worker of its card (one queue a card,
// so two calls on one card never interleave; calls on different cards run side by side) and hands its typed
// result back on the thread of the object that asked, through the event loop: nothing waits for a card on that
// thread. A card that stops answering holds its worker in the kernel for as long as it likes: the call can be
// abandoned (its result dropped) and the card forgotten (its next call gets a worker of its own). What work uses
// must be its own (captured by value): an abandoned call may end long after its asker is gone.
class CardSession final : public QObject
{
    Q_OBJECT

public:
    // The program's session; made on first use, living on the application's thread.
    static CardSession &instance();
    ~CardSession() override;
    Q_DISABLE_COPY_MOVE(CardSession)

    enum class Mode { Read, Write };

    // Runs work on card's worker (card: any text naming the card, its root as a rule; calls of one name queue
    // behind each other) and then done(result) on receiver's thread, unless the call was abandoned or receiver
    // is gone by then. A write keeps the program from ending until it is over (waitForWrites).
    template<typename T>
    CallId run(const QString &card, QObject *receiver, std::function<T()> work, std::function<void(T)> done,
               Mode mode = Mode::Read)
    {
        auto result = std::make_shared<T>();
        return start(
            card, receiver, [work = std::move(work), result] { *result = work(); },
            [done = std::move(done), result] {
                if (done)
                    done(std::move(*result));
            },
            mode);
    }
    CallId run(const QString &card, QObject *receiver, std::function<void()> work, std::function<void()> done,
               Mode mode = Mode::Read)
    {
        return start(card, receiver, std::move(work), std::move(done), mode);
    }

    // The call's result is dropped; its work goes on, or stays blocked, on its worker.
    void abandon(CallId id);
    // Every call on card is abandoned, and the card's next call runs on a new worker.
    void forgetCard(const QString &card);
    // Whether the call's result is still awaited.
    bool pending(CallId id) const;
    // No call waits for its result (what tests wait for).
    bool idle() const;
    // Whether a worker is running a call, an abandoned one included.
    bool working() const { return m_running->load() > 0; }
    // Waits at most limit for the writes under way to end; false when one is still going.
    bool waitForWrites(std::chrono::milliseconds limit);

    // Every card write, with the card it went to: each view of that card follows. Safe from any thread.
    void tell(const Vexolo::CardIdentity &card, const Vexolo::CardChange &change);

Q_SIGNALS:
    void cardChanged(const Vexolo::CardIdentity &card, const Vexolo::CardChange &change);

private:
    CardSession();
    struct Queue;
    struct Call;
    CallId start(const QString &card, QObject *receiver, std::function<void()> work, std::function<void()> done,
                 Mode mode);
    void runQueue(std::shared_ptr<Queue> queue);
    void deliver(CallId id);

    mutable std::mutex m_mutex;
    QHash<QString, std::shared_ptr<Queue>> m_queues;
    QHash<CallId, std::shared_ptr<Call>> m_calls; // awaited; the application's thread alone
    CallId m_next = 0;
    std::shared_ptr<std::atomic<int>> m_writes;
    std::shared_ptr<std::atomic<int>> m_running = std::make_shared<std::atomic<int>>(0);
};

} // namespace Vexolo

Q_DECLARE_METATYPE(Vexolo::CardChange)
