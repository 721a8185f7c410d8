#pragma once

#include "storage/fileops.h"
#include "storage/mounts.h"

#include <QString>

#include <chrono>
#include <functional>

// One writer per card. A card being written by one window or verb is locked for every other: an advisory lock
// (flock) on a file of the user's runtime folder, never on the card, named after the card's device and root inode, so
// the card is the same card however its folder is reached (a link, another mount of it).
namespace Vexolo {

// What a writer says while another program writes to its card.
inline const QString WriterWaitText = QStringLiteral("waiting for another program writing to this card");
// What a write refused for that reason says.
inline const QString WriterBusyText = QStringLiteral("another program is writing to this card");

// How long a writer waits for another before it refuses (20 s; tests shorten it).
std::chrono::milliseconds cardWriterWait();
void setCardWriterWait(std::chrono::milliseconds limit);

// The card's lock, taken on construction: at once when no other writer holds it, else after waiting at most
// cardWriterWait(), telling the waiting report of this thread each time it looks again. Released when it goes.
class CardWriteLock final
{
public:
    explicit CardWriteLock(const CardIdentity &card);
    Q_DISABLE_COPY_MOVE(CardWriteLock)
    ~CardWriteLock() = default;

    // False when another writer kept the card for the whole wait: nothing may be written.
    bool held() const { return m_held; }
    // The lock file of a card, in the folder of the user's runtime files.
    static QString fileOf(const CardIdentity &card);

private:
    Fd m_file;
    bool m_held = true;
};

// Who hears that a writer waits: the report of this thread's innermost scope (a window's call, a verb); none outside.
class WriterWaitReport final
{
public:
    explicit WriterWaitReport(std::function<void()> report);
    ~WriterWaitReport();
    Q_DISABLE_COPY_MOVE(WriterWaitReport)
    static void tell();

private:
    std::function<void()> m_outer;
};

} // namespace Vexolo
