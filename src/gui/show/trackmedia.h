#pragma once

#include "commands/switching.h"
#include "storage/cardstore.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QThreadPool>

#include <memory>
#include <optional>

class QIODevice;

namespace Vexolo {
// What one number of a time stands for, as the user chose it last (seconds until then).
TimeUnit rememberedUnit();
void rememberUnit(TimeUnit unit);
} // namespace Vexolo

// The card's tracks as sound: their lengths, read lazily off the user-interface thread and kept
// by name for the card they were read on, and a track opened for the preview. Every file is
// opened through the card store.
class TrackMedia final : public QObject
{
    Q_OBJECT

public:
    explicit TrackMedia(Vexolo::CardStore &store, QObject *parent = nullptr);
    ~TrackMedia() override;
    Q_DISABLE_COPY_MOVE(TrackMedia)

    // The length when it has been read (known or not); otherwise none, and the reading starts:
    // lengthRead follows.
    std::optional<Vexolo::TrackLength> length(const QString &trackName);
    // The length, read now on this thread when it has not been read yet.
    Vexolo::TrackLength lengthNow(const QString &trackName);
    // Tracks replaced on the card: their lengths are read again.
    void forget(const QStringList &trackNames);
    // The track opened for reading, for the preview; nullptr when it cannot be opened.
    std::unique_ptr<QIODevice> open(const QString &trackName) const;

Q_SIGNALS:
    void lengthRead(const QString &trackName);

private:
    void followCard();

    Vexolo::CardStore &m_store;
    Vexolo::CardIdentity m_card;
    quint64 m_generation = 0;
    QHash<QString, Vexolo::TrackLength> m_lengths;
    QSet<QString> m_pending;
    // Last member: destroyed first, it waits for the readings still running.
    QThreadPool m_pool;
};
