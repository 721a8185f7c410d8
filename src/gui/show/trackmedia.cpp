#include "trackmedia.h"

#include "card/mp3length.h"

#include <QFile>
#include <QSettings>

using namespace Vexolo;

namespace {

// Two readers at most: a card is slow to seek, and the user-interface thread keeps a core.
constexpr int Readers = 2;

const QString UnitKey = QStringLiteral("timeline/unit");

} // namespace

TimeUnit Vexolo::rememberedUnit()
{
    return QSettings().value(UnitKey).toString() == unitName(TimeUnit::Tenths) ? TimeUnit::Tenths : TimeUnit::Seconds;
}

void Vexolo::rememberUnit(TimeUnit unit)
{
    QSettings().setValue(UnitKey, unitName(unit));
}

TrackMedia::TrackMedia(CardStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("trackMedia"));
    m_pool.setMaxThreadCount(Readers);
}

TrackMedia::~TrackMedia() = default;

void TrackMedia::followCard()
{
    // A card changed since the lengths were read has its own lengths; readings under way are dropped.
    if (m_store.identity() == m_card && !m_store.root().isEmpty())
        return;
    m_card = m_store.identity();
    ++m_generation;
    m_lengths.clear();
    m_pending.clear();
}

void TrackMedia::forget(const QStringList &trackNames)
{
    for (const QString &name : trackNames)
        m_lengths.remove(name);
}

std::optional<TrackLength> TrackMedia::length(const QString &trackName)
{
    followCard();
    const auto known = m_lengths.constFind(trackName);
    if (known != m_lengths.cend())
        return *known;
    if (m_pending.contains(trackName))
        return {};
    // Opened here, through the card store, and read there: the store is not shared between threads.
    Fd track = m_store.openTrack(trackName);
    if (!track.isOpen()) {
        m_lengths.insert(trackName, std::nullopt);
        return TrackLength();
    }
    m_pending.insert(trackName);
    const int fd = track.release();
    const quint64 generation = m_generation;
    m_pool.start([this, fd, generation, trackName] {
        const Fd owned(fd);
        const TrackLength length = readMp3Length(owned.get());
        QMetaObject::invokeMethod(
            this,
            [this, generation, trackName, length] {
                if (generation != m_generation)
                    return;
                m_pending.remove(trackName);
                m_lengths.insert(trackName, length);
                Q_EMIT lengthRead(trackName);
            },
            Qt::QueuedConnection);
    });
    return {};
}

TrackLength TrackMedia::lengthNow(const QString &trackName)
{
    followCard();
    const auto known = m_lengths.constFind(trackName);
    if (known != m_lengths.cend())
        return *known;
    const Fd track = m_store.openTrack(trackName);
    const TrackLength length = readMp3Length(track.get());
    m_lengths.insert(trackName, length);
    return length;
}

std::unique_ptr<QIODevice> TrackMedia::open(const QString &trackName) const
{
    Fd track = m_store.openTrack(trackName);
    if (!track.isOpen())
        return {};
    auto file = std::make_unique<QFile>();
    if (!file->open(track.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return {};
    track.release();
    return file;
}
