#include "storage/cardstore.h"

#include "card/tracknames.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardtext.h"
#include "storage/safefile.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vexolo {

const QString CardStore::NoCardMessage = QStringLiteral("No card is chosen! Choose the volume of your card first.");

namespace {

const QString CouldNotRead = QStringLiteral("Could not read from file: ");
// The omitted names shown at most, so the message fits the screen.
constexpr qsizetype OmittedShown = 20;
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

QByteArray encoded(const QString &name)
{
    return QFile::encodeName(name);
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
            present.insert(QFile::decodeName(name).toCaseFolded());
    }
    return present;
}

} // namespace

CardStore::CardStore(FileOps &ops)
    : m_ops(ops)
{
}

void CardStore::choose(const QString &text)
{
    // A relative text never resolves against the working directory.
    struct stat info;
    const bool folder
        = QDir::isAbsolutePath(text) && ::stat(encoded(text).constData(), &info) == 0 && S_ISDIR(info.st_mode);
    m_root = folder ? text : QString();
    m_device = folder ? info.st_dev : 0;
    m_inode = folder ? info.st_ino : 0;
}

Fd CardStore::openRoot() const
{
    if (m_root.isEmpty())
        return {};
    Fd root(::open(encoded(m_root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info;
    if (!root.isOpen() || ::fstat(root.get(), &info) != 0 || info.st_dev != m_device || info.st_ino != m_inode)
        return {};
    return root;
}

Fd CardStore::openPrograms(int root, bool create) const
{
    const QByteArray name = encoded(ProgramsFolderName);
    struct stat info;
    // The result of creating it shows up when the files inside cannot be written.
    if (create && !hasItem(root, ProgramsFolderName))
        m_ops.mkdirat(root, name.constData(), 0777);
    Fd programs(::openat(root, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // Only a real folder on the card's own file system: never a link, never another mount.
    if (!programs.isOpen() || ::fstat(programs.get(), &info) != 0 || info.st_dev != m_device)
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
        names.append(QFile::decodeName(name));
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
            const CardRead read = readFirstLine(root, encoded(fileName).constData());
            if (read.status == ReadStatus::Read)
                commandString = decodeCardText(read.bytes);
            else if (read.status == ReadStatus::Unreadable)
                result.notices.append(plain(CouldNotRead + fileName));
        }
        result.commandStrings.append(std::move(commandString));
    }
    report(progress, trackNames.size(), trackNames.size());
    return result;
}

CardStore::Loaded CardStore::loadProgram(const QString &number, const Progress &progress) const
{
    Loaded result;
    const Fd root = openRoot();
    const Fd programs = root.isOpen() ? openPrograms(root.get(), false) : Fd();
    if (!programs.isOpen())
        return result;
    const QString programName = programFileName(number);
    const CardRead program = readWholeFile(programs.get(), encoded(programName).constData(), ProgramFileLimit);
    if (program.status == ReadStatus::Unreadable)
        result.notices.append(plain(CouldNotRead + programName));
    if (program.status != ReadStatus::Read)
        return result;

    const QList<ProgramEntry> entries = parseProgramFile(program.bytes);
    QStringList omitted;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        report(progress, i, entries.size());
        const ProgramEntry &entry = entries[i];
        // A name that is not a plain file name is never looked for outside the card root.
        struct stat info;
        if (isPlainFileName(entry.trackName)
            && ::fstatat(root.get(), encoded(entry.trackName).constData(), &info, 0) == 0) {
            result.names.append(entry.displayName);
            result.commandStrings.append(entry.commandString);
        } else {
            omitted.append(entry.trackName);
        }
    }
    if (!omitted.isEmpty()) {
        QString text = QStringLiteral("The following files were ommited since they were not found on your card!");
        for (const QString &name : omitted.first(std::min(omitted.size(), OmittedShown)))
            text += u'\n' + name;
        if (omitted.size() > OmittedShown)
            text += QStringLiteral("\nand %1 more").arg(omitted.size() - OmittedShown);
        result.notices.append(plain(text));
    }

    const QString nameFileName = programNameFileName(number);
    const CardRead name = readFirstLine(programs.get(), encoded(nameFileName).constData());
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
    const Fd root = openRoot();
    if (!root.isOpen()) {
        plan.refusal.append(caution(NoCardMessage));
        return plan;
    }
    const Fd programs = openPrograms(root.get(), false);
    if (programs.isOpen() && hasItem(programs.get(), programFileName(number)))
        plan.overwriteQuestion = QStringLiteral("This Playlist already exists! Overwrite?");
    plan.program = std::move(program.content);
    plan.name = encodeCardText(name);
    plan.number = number;
    return plan;
}

CardStore::Saved CardStore::save(const SavePlan &plan, const QStringList &tracks, const Progress &progress)
{
    Saved result;
    const Fd root = openRoot();
    if (!root.isOpen()) {
        result.notices.append(caution(NoCardMessage));
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
        plan.refusal.append(caution(NoCardMessage));
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
        result.notices.append(caution(NoCardMessage));
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
    // A folder chosen by mistake ("/", a home folder) is no card: it holds no track and no programs.
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
    const QString name = trimmedBlanks(trackCommandFileName(trackName));
    const Notice failed = plain(QStringLiteral("Could not write to file: [") + name + u']');
    // Only a track's own command file, directly in the card root, may be written; a name without
    // ".mp3" has no command file at all.
    if (!isPlainFileName(name) || !isPlainFileName(trackName))
        return {failed};
    const Fd root = openRoot();
    if (!root.isOpen())
        return {caution(NoCardMessage)};
    // A track deleted from the card since it was listed gets no command file of its own.
    if (!hasItem(root.get(), trackName))
        return {failed};
    removeLeftoverTemporaries(root.get(), m_ops);
    if (!writeFileSafely(root.get(), name, encodeCardText(commandStringOfTrack(commandString, trackName)), m_ops))
        return {failed};
    return {};
}

} // namespace Vexolo
