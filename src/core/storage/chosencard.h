#pragma once

#include "storage/carderror.h"
#include "storage/fileops.h"
#include "storage/mounts.h"

#include <QSet>
#include <QString>
#include <QStringList>

struct stat;

namespace Vexolo {

// What a folder turns out to be when chosen: a card (its root and identity; both empty when it is no
// card) and, when asked for, its tracks in card-list order.
struct CardChoice
{
    QString root;
    CardIdentity identity;
    QStringList tracks;
    QSet<QString> withCommandFile; // the tracks that have a command file of their own
};

// The card the user chose: the folder, remembered by its mount, device and inode (CardIdentity), and
// the one way into it. A card pulled, or another mounted in its place, is no longer the card: its root
// no longer opens. The file system root and pseudo file systems (/proc, /sys, /dev...) are no card.
class ChosenCard
{
public:
    explicit ChosenCard(FileOps &ops);
    Q_DISABLE_COPY_MOVE(ChosenCard)

    // Chooses the folder the text names; an empty root when it names no existing absolute folder, or
    // names "/" or a folder of a pseudo file system.
    void choose(const QString &text) { adopt(find(text)); }
    // What choose would find, without choosing it: it touches nothing of any card object, so it may
    // run on a thread of its own while the card keeps the caller waiting.
    static CardChoice find(const QString &text);
    void adopt(const CardChoice &choice);
    QString root() const { return m_root; }
    // Not valid when none is chosen.
    CardIdentity identity() const { return m_identity; }
    // Whether the chosen card's folder now holds another card (unmounted and another mounted in its place).
    bool cardChanged() const { return changedAt(m_root, m_identity); }
    // Whether the folder root now holds another card than identity; touches no card object.
    static bool changedAt(const QString &root, const CardIdentity &identity);

    // The card's root folder, open; not open when the card is not the one chosen.
    Fd openRoot() const;
    // Its "Programs" folder, open, created first when asked: only a real folder directly inside root,
    // on the card's own mount. error: why it could not be created.
    Fd openPrograms(int root, bool create, int *error = nullptr) const;
    // The refusal when the chosen card cannot be opened: changed, gone, or none chosen.
    Notice noCard() const;

private:
    FileOps &m_ops;
    QString m_root;
    CardIdentity m_identity;
};

// Whether name is an item of the open folder; links are not followed.
bool hasItem(int folder, const QString &name, struct stat *info = nullptr);

} // namespace Vexolo
