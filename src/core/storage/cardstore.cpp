#include "storage/cardstore.h"

#include "card/tracknames.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardtext.h"
#include "storage/safefile.h"

#include <QDir>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vexolo {

const QString CardStore::NoCardMessage = QStringLiteral("No card is chosen! Choose the volume of your card first.");
const QString CardStore::CardChangedMessage
    = QStringLiteral("The card was changed! Nothing was written to it. Choose its volume again to use the new card.");

namespace {

const QString CouldNotRead = QStringLiteral("Could not read from file: ");
// The names shown at most in one message, so it fits the screen.
constexpr qsizetype NamesShown = 20;
// Longer names are shown shortened in the middle.
constexpr qsizetype NameShown = 100;
// How many items pass between two progress reports.
constexpr qsizetype ProgressStep = 256;

Notice plain(const QString &text)
{
    return {Notice::Plain, text};
}

Notice caution(const QString &text)
{
    return {Notice::Caution, text};
}

Notice listingFailed()
{
    return caution(QStringLiteral("Could not create root directory listing! Your card may be write portected!"));
}

Notice deleteFailed(const QString &number)
{
    return caution(QStringLiteral("Could not delete Playlist Number ") + number
                   + QStringLiteral("! Your card may be write protected!"));
}

void report(const Progress &progress, qsizetype done, qsizetype total)
{
    if (progress && (done % ProgressStep == 0 || done == total))
        progress(done, total);
}

// A name as a message shows it: bytes that are no text as U+FFFD, a long one cut in the middle.
QString shown(const QString &name)
{
    const QString text = shownName(name);
    if (characterCount(text) <= NameShown)
        return text;
    const QString head = leftCharacters(text, NameShown / 2);
    QString tail = text.right(NameShown / 2 - 1);
    if (tail.front().isLowSurrogate())
        tail.remove(0, 1);
    return head + u'…' + tail;
}

// The text with the names after it, one a line (the first on the text's own line when asked),
// and how many more there were past a screenful.
QString withNames(QString text, const QStringList &names, qsizetype total, bool firstOnSameLine)
{
    for (qsizetype i = 0; i < names.size(); ++i)
        text += (i == 0 && firstOnSameLine ? QString() : QStringLiteral("\n")) + shown(names[i]);
    if (total > names.size())
        text += QStringLiteral("\nand %1 more").arg(total - names.size());
    return text;
}

// Keeps the first names of a message and counts them all.
struct NameList
{
    QStringList names;
    qsizetype total = 0;
    void add(const QString &name)
    {
        if (total++ < NamesShown)
            names.append(name);
    }
};

QByteArray encoded(const QString &name)
{
    return encodeFileName(name);
}

// Whether name is an item of the open folder; links are not followed.
bool hasItem(int folder, const QString &name, struct stat *info = nullptr)
{
    struct stat ignored;
    return ::fstatat(folder, encoded(name).constData(), info ? info : &ignored, AT_SYMLINK_NOFOLLOW) == 0;
}

// The names in the open folder that may be command files, folded: one read of the folder tells
// which command files can exist, so a big card costs one open per command file, not one per track.
QSet<QString> commandFileCandidates(int folder)
{
    QSet<QString> present;
    for (const QByteArray &name : readFolder(folder)) {
        // Every command file name holds ".adv" where its track's first ".mp3" was.
        if (QLatin1StringView(name).contains(QLatin1StringView(".adv"), Qt::CaseInsensitive))
            present.insert(decodeFileName(name).toCaseFolded());
    }
    return present;
}

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

CardStore::CardStore(FileOps &ops)
    : m_ops(ops)
{
}

void CardStore::choose(const QString &text)
{
    m_root.clear();
    m_identity = {};
    // A relative text never resolves against the working directory.
    if (!QDir::isAbsolutePath(text))
        return;
    const Fd folder(::open(encoded(text).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen() || !isCardLike(folder.get()))
        return;
    m_root = text;
    m_identity = identityOf(folder.get());
}

bool CardStore::cardChanged() const
{
    if (m_root.isEmpty())
        return false;
    const Fd folder(::open(encoded(m_root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen())
        return false;
    // Another card is the root of another mount in the card's place; a card merely pulled leaves
    // the folder it was mounted on, on the mount around it.
    const CardIdentity now = identityOf(folder.get());
    const Fd parent(::openat(folder.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return now != m_identity && now.mount != m_identity.mount && parent.isOpen()
        && identityOf(parent.get()).mount != now.mount;
}

Notice CardStore::noCard() const
{
    return caution(cardChanged() ? CardChangedMessage : NoCardMessage);
}

Fd CardStore::openRoot() const
{
    if (m_root.isEmpty())
        return {};
    Fd root(::open(encoded(m_root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root.isOpen() || identityOf(root.get()) != m_identity)
        return {};
    return root;
}

Fd CardStore::openPrograms(int root, bool create) const
{
    const QByteArray name = encoded(ProgramsFolderName);
    // The result of creating it shows up when the folder cannot be opened below.
    if (create && !hasItem(root, ProgramsFolderName))
        m_ops.mkdirat(root, name.constData(), 0777);
    Fd programs(::openat(root, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // Only a real folder on the card's own mount: never a link, never a folder mounted or bound there.
    const CardIdentity found = programs.isOpen() ? identityOf(programs.get()) : CardIdentity();
    if (found.mount != m_identity.mount || found.device != m_identity.device)
        return {};
    return programs;
}

QStringList CardStore::listTracks() const
{
    const Fd root = openRoot();
    if (!root.isOpen())
        return {};
    QStringList names;
    for (const QByteArray &name : readFolder(root.get()))
        names.append(decodeFileName(name));
    return sortTracks(std::move(names));
}

CardStore::Lookup CardStore::lookupCommands(const QStringList &trackNames, const Progress &progress) const
{
    const Fd root = openRoot();
    return lookupAt(root.get(), trackNames, progress);
}

CardStore::Lookup CardStore::lookupAt(int root, const QStringList &trackNames, const Progress &progress) const
{
    Lookup result;
    result.commandStrings.reserve(trackNames.size());
    NameList unreadable;
    const QSet<QString> present = root >= 0 && trackNames.size() > 1 ? commandFileCandidates(root) : QSet<QString>();
    for (qsizetype i = 0; i < trackNames.size(); ++i) {
        report(progress, i, trackNames.size());
        const QString &trackName = trackNames[i];
        QString commandString = defaultCommandString(trackName);
        const QString fileName = trackCommandFileName(trackName);
        // A track name without ".mp3" has no command file; one with "/" could reach outside the root.
        // Folded names: on a card whose file system ignores case, TRACK01.ADV answers to TRACK01.adv.
        if (root >= 0 && isPlainFileName(fileName)
            && (trackNames.size() <= 1 || present.contains(fileName.toCaseFolded()))) {
            const CardRead read = readFirstLine(root, encoded(fileName).constData(), m_ops);
            if (read.status == ReadStatus::Read)
                commandString = decodeCardText(read.bytes);
            else if (read.status == ReadStatus::Unreadable)
                unreadable.add(fileName);
        }
        result.commandStrings.append(std::move(commandString));
    }
    report(progress, trackNames.size(), trackNames.size());
    if (unreadable.total > 0)
        result.notices.append(plain(withNames(CouldNotRead, unreadable.names, unreadable.total, true)));
    return result;
}

CardStore::Loaded CardStore::loadProgram(const QString &number, const Progress &progress) const
{
    Loaded result;
    const Fd root = openRoot();
    const Fd programs = root.isOpen() ? openPrograms(root.get(), false) : Fd();
    if (!programs.isOpen())
        return result;
    const auto onCard = [&root](const QString &trackName) {
        struct stat info;
        // A name that is not a plain file name is never looked for outside the card root.
        return isPlainFileName(trackName)
            && ::fstatat(root.get(), encoded(trackName).constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    };
    // Read line by line: memory follows what is kept, not what the file holds.
    NameList omitted;
    qsizetype records = 0;
    const QString programName = programFileName(number);
    const ReadStatus status
        = readLines(programs.get(), encoded(programName).constData(), m_ops, [&](QByteArrayView line) {
              std::optional<ProgramEntry> entry = parseProgramLine(line);
              if (!entry)
                  return true;
              report(progress, records, ProgramRecordLimit);
              if (++records > ProgramRecordLimit)
                  return false;
              if (!onCard(entry->trackName) && shownName(entry->trackName) != entry->trackName) {
                  // Another tool may have written a card's UTF-8 name in Windows-1252.
                  std::optional<ProgramEntry> other = parseProgramLine(line, true);
                  if (onCard(other->trackName))
                      entry = std::move(other);
              }
              if (onCard(entry->trackName)) {
                  result.names.append(entry->displayName);
                  result.commandStrings.append(entry->commandString);
              } else {
                  omitted.add(entry->trackName);
              }
              return true;
          });
    report(progress, ProgramRecordLimit, ProgramRecordLimit);
    if (status != ReadStatus::Read) {
        result = {};
        if (status == ReadStatus::Unreadable)
            result.notices.append(plain(CouldNotRead + programName));
        return result;
    }
    if (omitted.total > 0) {
        const QString text = QStringLiteral("The following files were ommited since they were not found on your card!");
        result.notices.append(plain(withNames(text, omitted.names, omitted.total, false)));
    }

    const QString nameFileName = programNameFileName(number);
    const CardRead name = readFirstLine(programs.get(), encoded(nameFileName).constData(), m_ops);
    if (name.status == ReadStatus::Read)
        result.name = decodeCardText(name.bytes);
    else if (name.status == ReadStatus::Unreadable)
        result.notices.append(plain(CouldNotRead + nameFileName));
    return result;
}

CardStore::SavePlan CardStore::prepareSave(const QString &number, const QStringList &commandStrings,
                                           const QString &name) const
{
    SavePlan plan;
    // The lengths are checked before the card is touched, so a refused save changes nothing.
    ProgramFormat program = formatProgramFile(commandStrings);
    if (!program.ok()) {
        plan.refusal.append(
            plain(QStringLiteral("Advanced Text length too long: ") + QString::number(program.tooLongLength)));
        return plan;
    }
    // What Load could not read back is never written.
    if (program.content.size() > ProgramFileLimit) {
        plan.refusal.append(plain(QStringLiteral("This playlist is too long to save: its program file would take "
                                                 "%1 bytes, more than the %2 that can be loaded again.")
                                      .arg(program.content.size())
                                      .arg(ProgramFileLimit)));
        return plan;
    }
    QByteArray nameBytes = encodeCardText(name);
    if (nameBytes.size() > LineLimit) {
        plan.refusal.append(plain(QStringLiteral("This playlist name is too long to save: %1 bytes, more than the "
                                                 "%2 that can be loaded again.")
                                      .arg(nameBytes.size())
                                      .arg(LineLimit)));
        return plan;
    }
    const Fd root = openRoot();
    if (!root.isOpen()) {
        plan.refusal.append(noCard());
        return plan;
    }
    const Fd programs = openPrograms(root.get(), false);
    if (programs.isOpen() && hasItem(programs.get(), programFileName(number)))
        plan.overwriteQuestion = QStringLiteral("This Playlist already exists! Overwrite?");
    plan.program = std::move(program.content);
    plan.name = std::move(nameBytes);
    plan.number = number;
    return plan;
}

CardStore::Saved CardStore::save(const SavePlan &plan, const QStringList &tracks, const Progress &progress)
{
    Saved result;
    const Fd root = openRoot();
    if (!root.isOpen()) {
        result.notices.append(noCard());
        return result;
    }
    const Fd programs = openPrograms(root.get(), true);
    if (programs.isOpen()) {
        removeLeftoverTemporaries(programs.get(), m_ops);
        result.programWritten = writeFileSafely(programs.get(), programFileName(plan.number), plan.program, m_ops);
    }
    if (!result.programWritten) {
        result.notices.append(caution(QStringLiteral("Could not create file! Destination may be write protected!")));
    } else {
        // A program and its name stay a pair: the name is written only beside its own program. A
        // failure to write it is not reported; the listing's message follows anyway.
        result.nameWritten = writeFileSafely(programs.get(), programNameFileName(plan.number), plan.name, m_ops);
    }
    result.notices += listingAt(root.get(), programs.get(), tracks, progress);
    return result;
}

CardStore::DeletePlan CardStore::prepareDelete(const QString &number) const
{
    DeletePlan plan;
    const Fd root = openRoot();
    if (!root.isOpen()) {
        plan.refusal.append(noCard());
        return plan;
    }
    struct stat info;
    const Fd programs = openPrograms(root.get(), false);
    if (!programs.isOpen()) {
        // A "Programs" that is no real folder of the card may hold anything but is never touched.
        if (hasItem(root.get(), ProgramsFolderName, &info) && !S_ISDIR(info.st_mode))
            plan.refusal.append(deleteFailed(number));
        return plan;
    }
    if (hasItem(programs.get(), programFileName(number)))
        plan.question = QStringLiteral("Are you sure you want to delete Playlist Number ") + number + u'?';
    return plan;
}

CardStore::Deleted CardStore::deleteProgram(const QString &number)
{
    Deleted result;
    const Fd root = openRoot();
    if (!root.isOpen()) {
        result.notices.append(noCard());
        return result;
    }
    const Fd programs = openPrograms(root.get(), false);
    // A failed delete must not look like a successful one.
    result.deleted
        = programs.isOpen() && m_ops.unlinkat(programs.get(), encoded(programFileName(number)).constData(), 0) == 0;
    if (!result.deleted)
        result.notices.append(deleteFailed(number));
    return result;
}

Notices CardStore::writeListing(const QStringList &tracks, const Progress &progress)
{
    // Without the chosen card there is nowhere to write: nothing is ever created outside a card.
    const Fd root = openRoot();
    if (!root.isOpen())
        return {};
    // A folder chosen by mistake (a home folder) is no card: it holds no track and no programs.
    const Fd programs = openPrograms(root.get(), !tracks.isEmpty());
    if (tracks.isEmpty() && !programs.isOpen())
        return {};
    if (programs.isOpen())
        removeLeftoverTemporaries(programs.get(), m_ops);
    return listingAt(root.get(), programs.get(), tracks, progress);
}

Notices CardStore::listingAt(int root, int programs, const QStringList &tracks, const Progress &progress)
{
    Lookup lookup = lookupAt(root, tracks, progress);
    if (programs < 0 || !writeFileSafely(programs, RootDirFileName, formatListing(lookup.commandStrings), m_ops))
        lookup.notices.append(listingFailed());
    return lookup.notices;
}

Notices CardStore::writeTrackCommand(const QString &trackName, const QString &commandString)
{
    const qsizetype at = indexOfMp3(trackName);
    const QString shownFile
        = trimmedBlanks(at < 0 ? trackName : QString(trackName).replace(at, 4, QStringLiteral(".adv")));
    const Notice failed = plain(QStringLiteral("Could not write to file: [") + shown(shownFile) + u']');
    const QString name = trimmedBlanks(trackCommandFileName(trackName));
    // Only a track's own command file, directly in the card root, may be written; a name without
    // ".mp3", or one that would itself be a track, has no command file at all.
    if (!isPlainFileName(name) || !isPlainFileName(trackName))
        return {failed};
    const Fd root = openRoot();
    if (!root.isOpen())
        return {noCard()};
    // A track deleted from the card since it was listed gets no command file of its own, and
    // only a regular file is ever replaced.
    struct stat info;
    if (!hasItem(root.get(), trackName) || (hasItem(root.get(), name, &info) && !S_ISREG(info.st_mode)))
        return {failed};
    removeLeftoverTemporaries(root.get(), m_ops);
    if (!writeFileSafely(root.get(), name, encodeCardText(commandStringOfTrack(commandString, trackName)), m_ops))
        return {failed};
    return {};
}

} // namespace Vexolo
