#include "trackmedia.h"
#include "words/switchwords.h"

#include "card/mp3length.h"

#include <QFile>
#include <QSettings>
#include <QThread>

using namespace Vexolo;

namespace {

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

TrackMedia::TrackMedia(CardStore &store, QObject *parent, FileOps &ops)
    : QObject(parent)
    , m_store(store)
    , m_ops(ops)
{
    setObjectName(QStringLiteral("trackMedia"));
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
    m_pending.insert(trackName);
    const quint64 generation = m_generation;
    onCard<TrackLength>(
        this, [trackName](const CardStore &store) { return readTrackLengths(store, {trackName}).value(trackName); },
        [this, generation, trackName](TrackLength length) {
            if (generation != m_generation)
                return;
            m_pending.remove(trackName);
            m_lengths.insert(trackName, length);
            Q_EMIT lengthRead(trackName);
        });
    return {};
}

void TrackMedia::open(const QString &trackName, QObject *receiver, Opened done) const
{
    QThread *const thread = receiver->thread();
    onCard<std::unique_ptr<QIODevice>>(
        receiver,
        [trackName, thread](const CardStore &store) -> std::unique_ptr<QIODevice> {
            Fd track = store.openTrack(trackName);
            auto file = std::make_unique<QFile>();
            if (!track.isOpen() || !file->open(track.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
                return {};
            track.release();
            // Made here, used there.
            file->moveToThread(thread);
            return file;
        },
        std::move(done));
}
