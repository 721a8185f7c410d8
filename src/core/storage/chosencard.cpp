#include "storage/chosencard.h"

#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardtext.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vexolo {

namespace {

// Whether the open folder may be a card: not the file system root, not on a pseudo file system.
bool isCardLike(int folder)
{
    struct stat info;
    struct stat top;
    if (::fstat(folder, &info) != 0
        || (::stat("/", &top) == 0 && info.st_dev == top.st_dev && info.st_ino == top.st_ino))
        return false;
    const quint64 mount = tableMountIdOf(folder);
    const QList<MountEntry> table = mount != 0 ? readMountTable() : QList<MountEntry>();
    return std::none_of(table.cbegin(), table.cend(),
                        [mount](const MountEntry &entry) { return entry.id == mount && isPseudoMount(entry); });
}

} // namespace

bool hasItem(int folder, const QString &name, struct stat *info)
{
    struct stat ignored;
    return ::fstatat(folder, encodeFileName(name).constData(), info ? info : &ignored, AT_SYMLINK_NOFOLLOW) == 0;
}

ChosenCard::ChosenCard(FileOps &ops)
    : m_ops(ops)
{
}

CardChoice ChosenCard::find(const QString &text)
{
    // A relative text never resolves against the working directory; a link is never followed, so a card remembered
    // or typed that has since become a link to another folder is not chosen, and nothing is written through it.
    if (!QDir::isAbsolutePath(text))
        return {};
    const Fd folder(::open(encodeFileName(text).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.isOpen() || !isCardLike(folder.get()))
        return {};
    return {text, identityOf(folder.get()), {}, {}};
}

void ChosenCard::adopt(const CardChoice &choice)
{
    m_root = choice.root;
    m_identity = choice.identity;
}

bool ChosenCard::changedAt(const QString &root, const CardIdentity &identity)
{
    if (root.isEmpty())
        return false;
    const Fd folder(::open(encodeFileName(root).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.isOpen())
        return false;
    // Another card is the root of another mount in the card's place; a card merely pulled leaves
    // the folder it was mounted on, on the mount around it.
    const CardIdentity now = identityOf(folder.get());
    const Fd parent(::openat(folder.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return now != identity && now.mount != identity.mount && parent.isOpen()
        && identityOf(parent.get()).mount != now.mount;
}

Notice ChosenCard::noCard() const
{
    if (cardChanged())
        return {Notice::Caution, Notice::Message::CardChanged, {}, {}, CardError::of(CardError::Changed)};
    // A card chosen and since gone; no cause when no card was chosen at all.
    return {Notice::Caution,
            Notice::Message::NoCard,
            {},
            0,
            m_identity.isValid() ? CardError::of(CardError::Gone) : CardError()};
}

Fd ChosenCard::openRoot() const
{
    if (m_root.isEmpty())
        return {};
    Fd root(::open(encodeFileName(m_root).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!root.isOpen() || identityOf(root.get()) != m_identity)
        return {};
    return root;
}

Fd ChosenCard::openPrograms(int root, bool create, int *error) const
{
    const QByteArray name = encodeFileName(ProgramsFolderName);
    // The result of creating it shows up when the folder cannot be opened below; a refusal to create it
    // (a full or write-protected card) is the cause to report.
    if (create && !hasItem(root, ProgramsFolderName) && m_ops.mkdirat(root, name.constData(), 0777) == -1 && error)
        *error = errno;
    Fd programs(::openat(root, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // Only a real folder on the card's own mount: never a link, never a folder mounted or bound there.
    const CardIdentity found = programs.isOpen() ? identityOf(programs.get()) : CardIdentity();
    if (found.mount != m_identity.mount || found.device != m_identity.device)
        return {};
    return programs;
}

} // namespace Vexolo
