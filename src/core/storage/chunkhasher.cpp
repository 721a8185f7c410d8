#include "storage/chunkhasher.h"

namespace Vexolo {

ChunkHasher::ChunkHasher()
    : m_thread([this] { run(); })
{
    for (QByteArray &buffer : m_buffers)
        buffer.resize(ChunkSize);
}

ChunkHasher::~ChunkHasher()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

char *ChunkHasher::buffer()
{
    std::unique_lock lock(m_mutex);
    // The buffers go round in order, so the next one is free once fewer than all are handed.
    m_changed.wait(lock, [this] { return m_busy < Buffers; });
    return m_buffers[m_next].data();
}

void ChunkHasher::hand(qint64 size)
{
    {
        const std::lock_guard lock(m_mutex);
        m_handed.emplace_back(m_next, size);
        m_next = (m_next + 1) % Buffers;
        ++m_busy;
    }
    m_changed.notify_all();
}

QByteArray ChunkHasher::result()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_busy == 0; });
    const QByteArray hash = m_hash.result();
    m_hash.reset();
    return hash;
}

void ChunkHasher::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_handed.empty(); });
        if (m_handed.empty())
            return;
        const auto [index, size] = m_handed.front();
        m_handed.pop_front();
        lock.unlock();
        m_hash.addData(QByteArrayView(m_buffers[index].constData(), size));
        lock.lock();
        --m_busy;
        m_changed.notify_all();
    }
}

} // namespace Vexolo
