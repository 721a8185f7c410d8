#pragma once

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace Vexolo {

// How long a card may take to answer before the user is told that it does not (4 s; tests shorten it).
std::chrono::milliseconds cardAnswerLimit();
void setCardAnswerLimit(std::chrono::milliseconds limit);

// Runs work on a thread of its own and waits at most cardAnswerLimit() for it, the caller's event loop turning
// meanwhile for paints and timers (no input, no socket notifiers: nothing the user does, and no mount
// change, is handled in the middle). A card whose server stopped blocks a call on it for good: then
// the answer is nullopt, and the work is left to end whenever it can, its result dropped. So work
// must own all it uses (captures by value).
template<typename T> std::optional<T> answerInTime(std::function<T()> work)
{
    struct Answer
    {
        std::optional<T> value;
        std::atomic<bool> given = false;
    };
    auto answer = std::make_shared<Answer>();
    QThread *thread = QThread::create([answer, work = std::move(work)] {
        answer->value = work();
        answer->given.store(true, std::memory_order_release);
    });
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    QTimer::singleShot(cardAnswerLimit(), &loop, &QEventLoop::quit);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    if (!answer->given.load(std::memory_order_acquire))
        return std::nullopt;
    return std::move(answer->value);
}

} // namespace Vexolo
