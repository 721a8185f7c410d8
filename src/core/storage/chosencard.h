#pragma once

#include "storage/carderror.h"
#include "storage/fileops.h"
#include "storage/mounts.h"

#include <QString>

struct stat;

namespace Vexolo {

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
    void choose(const QString &text);
    QString root() const { return m_root; }
    // Not valid when none is chosen.
    CardIdentity identity() const { return m_identity; }
    // Whether the chosen card's folder now holds another card (unmounted and another mounted in its place).
    bool cardChanged() const;

    // The card's root folder, open; not open when the card is not the one chosen.
    Fd openRoot() const;
    // Its "Programs" folder, open, created first when asked: only a real folder directly inside root,
    // on the card's own mount. error: why it could not be created.
    Fd openPrograms(int root, bool create, int *error = nullptr) const;
    // The refusal when the chosen card cannot be opened: changed, gone, or none chosen.
    Notice noCard() const;

    static const QString NoCardMessage;
    static const QString CardChangedMessage;

private:
    FileOps &m_ops;
    QString m_root;
    CardIdentity m_identity;
};

// Whether name is an item of the open folder; links are not followed.
bool hasItem(int folder, const QString &name, struct stat *info = nullptr);

} // namespace Vexolo
