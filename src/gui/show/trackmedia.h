#pragma once

#include "commands/switching.h"
#include "storage/cardsession.h"
#include "storage/cardstore.h"

#include <QHash>
#include <QObject>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

class QIODevice;

namespace Vexolo {
// What one number of a time stands for, as the user chose it last (seconds until then).
TimeUnit rememberedUnit();
void rememberUnit(TimeUnit unit);
} // namespace Vexolo

// The card's tracks as sound: their lengths, read lazily and kept by name for the card they were read on, and a
// track opened for the preview. Every file is opened on the card's worker, through a card store of its own on the
// card the window's store has chosen; this thread only starts the reading and takes the result.
class TrackMedia final : public QObject
{
    Q_OBJECT

public:
    // ops: the file system calls of the card work (tests watch them); they outlive every card call made here.
    explicit TrackMedia(Vexolo::CardStore &store, QObject *parent = nullptr,
                        Vexolo::FileOps &ops = Vexolo::FileOps::system());
    ~TrackMedia() override;
    Q_DISABLE_COPY_MOVE(TrackMedia)

    // The length when it has been read (known or not); otherwise none, and the reading starts:
    // lengthRead follows.
    std::optional<Vexolo::TrackLength> length(const QString &trackName);
    // Tracks replaced on the card: their lengths are read again.
    void forget(const QStringList &trackNames);
    // The track opened for reading, for the preview, handed to done on receiver's thread (it belongs to that
    // thread); nullptr when it cannot be opened.
    using Opened = std::function<void(std::unique_ptr<QIODevice>)>;
    void open(const QString &trackName, QObject *receiver, Opened done) const;

    // work with a store of its own on the chosen card, for a call that runs it on the card's worker (keyed by
    // cardRoot). work must own what it uses.
    template<typename T> std::function<T()> cardWork(std::function<T(const Vexolo::CardStore &)> work) const
    {
        const Vexolo::CardChoice card {m_store.root(), m_store.identity(), {}, {}};
        Vexolo::FileOps *ops = &m_ops;
        return [card, ops, work = std::move(work)] {
            const Vexolo::CardStore store(card, *ops);
            return work(store);
        };
    }
    QString cardRoot() const { return m_store.root(); }
    // cardWork run on the card's worker, then done(result) on receiver's thread, unless receiver is gone by then.
    template<typename T>
    Vexolo::CallId onCard(QObject *receiver, std::function<T(const Vexolo::CardStore &)> work,
                          std::function<void(T)> done) const
    {
        return Vexolo::CardSession::instance().run<T>(cardRoot(), receiver, cardWork<T>(std::move(work)),
                                                      std::move(done));
    }

Q_SIGNALS:
    void lengthRead(const QString &trackName);

private:
    void followCard();

    Vexolo::CardStore &m_store;
    Vexolo::FileOps &m_ops;
    Vexolo::CardIdentity m_card;
    quint64 m_generation = 0;
    QHash<QString, Vexolo::TrackLength> m_lengths;
    QSet<QString> m_pending;
};
