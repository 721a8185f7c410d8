#pragma once

#include <QByteArray>
#include <QCryptographicHash>

#include <array>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace Vexolo {

// The SHA-1 of a stream of chunks, worked out on a thread of its own while the caller reads and writes the next
// ones, so a copy that is checked runs at the speed of its disk rather than of its hash.
class ChunkHasher final
{
public:
    static constexpr qint64 ChunkSize = 1 << 20;

    ChunkHasher();
    ~ChunkHasher();
    Q_DISABLE_COPY_MOVE(ChunkHasher)

    // A buffer of ChunkSize bytes free to be filled; waits while every buffer is still being hashed.
    char *buffer();
    // Hashes the first size bytes of the buffer buffer() gave last, after everything handed before.
    void hand(qint64 size);
    // The hash of everything handed since the last result; the next starts anew.
    QByteArray result();

private:
    void run();

    static constexpr int Buffers = 4;
    std::array<QByteArray, Buffers> m_buffers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<int, qint64>> m_handed; // buffer and size, in order
    int m_next = 0; // the buffer buffer() gives
    int m_busy = 0; // buffers handed and not hashed yet
    bool m_stop = false;
    QCryptographicHash m_hash {QCryptographicHash::Sha1};
    std::thread m_thread; // last: it starts once everything else is made
};

} // namespace Vexolo
