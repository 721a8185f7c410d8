#include "storage/cardstore.h"
#include "storage/cardstore_p.h"

#include "card/tracknames.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardtext.h"
#include "storage/safefile.h"

#include <QDir>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vexolo {

using namespace StoreDetail;

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
    return {Notice::Plain, text, {}};
}

Notice caution(const QString &text, int error = 0)
{
    return {Notice::Caution, text, CardError::fromErrno(error)};
}

Notice listingFailed(int error)
{
    return caution(QStringLiteral("Could not create root directory listing! Your card may be write portected!"), error);
}

Notice deleteFailed(const QString &number, int error)
{
    return caution(QStringLiteral("Could not delete Playlist Number ") + number
                       + QStringLiteral("! Your card may be write protected!"),
                   error);
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

char asciiLower(char byte)
{
    return byte >= 'A' && byte <= 'Z' ? char(byte + 32) : byte;
}

// Whether the text (ASCII, any case) is at index at of bytes.
bool hasAsciiAt(QByteArrayView bytes, qsizetype at, QByteArrayView text)
{
    if (at < 0 || at + text.size() > bytes.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (asciiLower(bytes[at + i]) != text[i])
            return false;
    }
    return true;
}

// Whether the text (ASCII, any case) is anywhere in bytes.
bool containsAscii(QByteArrayView bytes, QByteArrayView text)
{
    for (qsizetype at = bytes.indexOf(text.front()); at >= 0; at = bytes.indexOf(text.front(), at + 1)) {
        if (hasAsciiAt(bytes, at, text))
            return true;
    }
    return false;
}

// The names in the open folder that may be command files, folded: one read of the folder tells
// which command files can exist, so a big card costs one open per command file, not one per track.
QSet<QString> commandFileCandidates(int folder)
{
    QSet<QString> present;
    readFolder(folder, [&present](QByteArrayView name) { addCommandFileCandidate(present, name); });
    return present;
}

// Whether the track may have a command file among present, as lookupAt decides it in full. An
// ASCII name is folded into folded, whose room is used again for the next, with no allocation;
// any other name is answered yes.
bool mayHaveCommandFile(const QString &trackName, const QSet<QString> &present, QString &folded)
{
    if (present.isEmpty())
        return false;
    folded.resize(trackName.size());
    QChar *out = folded.data();
    for (const QChar c : trackName) {
        if (c.unicode() >= 0x80)
            return true;
        *out++ = QLatin1Char(asciiLower(char(c.unicode())));
    }
    const qsizetype at = folded.indexOf(Mp3Extension);
    if (at < 0)
        return false;
    folded.replace(at, Mp3Extension.size(), QStringLiteral(".adv"));
    return present.contains(folded);
}

// The program's name from its name file, into loaded; a name file that cannot be read is said so.
void readProgramName(CardStore::Loaded &loaded, int programs, const QString &number, FileOps &ops)
{
    const QString nameFileName = programNameFileName(number);
    const CardRead name = readFirstLine(programs, encoded(nameFileName).constData(), ops);
    if (name.status == ReadStatus::Read)
        loaded.name = decodeCardText(name.bytes);
    else if (name.status == ReadStatus::Unreadable)
        loaded.notices.append(plain(CouldNotRead + nameFileName));
}

// The tracks of the open card root, in card-list order.
QStringList tracksAt(int root)
{
    NameBytes names;
    readFolder(root, [&names](QByteArrayView name) {
        if (isTrackFileName(name))
            names.append(name);
    });
    return sortTrackNames(names);
}

} // namespace

namespace StoreDetail {

void report(const Progress &progress, qsizetype done, qsizetype total)
{
    if (progress && (done % ProgressStep == 0 || done == total))
        progress(done, total);
}

// What the tests on decoded names ask, asked of the card's bytes: ".mp3", ".adv" and the control
// characters are ASCII, an ASCII byte always decodes to itself alone, and no other character
// folds to one of theirs.
bool isTrackFileName(QByteArrayView name)
{
    return hasAsciiAt(name, name.size() - 4, ".mp3") && std::none_of(name.begin(), name.end(), [](char byte) {
               return static_cast<unsigned char>(byte) < 32 || byte == 127;
           });
}

// Adds the name, folded, to the names that may be command files: every command file name holds
// ".adv" where its track's first ".mp3" was.
void addCommandFileCandidate(QSet<QString> &present, QByteArrayView name)
{
    if (containsAscii(name, ".adv"))
        present.insert(decodeFileName(name).toCaseFolded());
}

} // namespace StoreDetail

CardStore::CardStore(FileOps &ops)
    : m_card(ops)
    , m_ops(ops)
{
}

QStringList CardStore::listTracks() const
{
    const Fd root = openRoot();
    return root.isOpen() ? tracksAt(root.get()) : QStringList();
}

CardChoice CardStore::findCard(const QString &text, bool withTracks, FileOps &ops)
{
    ChosenCard card(ops);
    card.adopt(ChosenCard::find(text, ops));
    const Fd root = card.openRoot();
    if (!root.isOpen())
        return {};
    return {card.root(), card.identity(), withTracks ? tracksAt(root.get()) : QStringList()};
}

CardStore::Lookup CardStore::lookupCommands(const QStringList &trackNames, const Progress &progress) const
{
    const Fd root = openRoot();
    return lookupAt(root.get(), trackNames, progress);
}

CardStore::Lookup CardStore::lookupAt(int root, const QStringList &trackNames, const Progress &progress,
                                      const QSet<QString> *candidates) const
{
    Lookup result;
    result.commandStrings.reserve(trackNames.size());
    NameList unreadable;
    const bool lookEach = trackNames.size() <= 1;
    const QSet<QString> present = root < 0 || lookEach ? QSet<QString>()
        : candidates                                   ? *candidates
                                                       : commandFileCandidates(root);
    QString folded;
    for (qsizetype i = 0; i < trackNames.size(); ++i) {
        report(progress, i, trackNames.size());
        const QString &trackName = trackNames[i];
        QString commandString = defaultCommandString(trackName);
        if (root < 0 || (!lookEach && !mayHaveCommandFile(trackName, present, folded))) {
            result.commandStrings.append(std::move(commandString));
            continue;
        }
        const QString fileName = trackCommandFileName(trackName);
        // A track name without ".mp3" has no command file; one with "/" could reach outside the root.
        // Folded names: on a card whose file system ignores case, TRACK01.ADV answers to TRACK01.adv.
        if (isPlainFileName(fileName) && (lookEach || present.contains(fileName.toCaseFolded()))) {
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
        Loaded failed;
        failed.program = status;
        if (status == ReadStatus::Unreadable)
            failed.notices.append(plain(CouldNotRead + programName));
        return failed;
    }
    result.program = status;
    if (omitted.total > 0) {
        const QString text = QStringLiteral("The following files were ommited since they were not found on your card!");
        result.notices.append(plain(withNames(text, omitted.names, omitted.total, false)));
    }

    readProgramName(result, programs.get(), number, m_ops);
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
    plan.entries = commandStrings.size();
    plan.nameText = name;
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
    int error = 0;
    const Fd programs = openPrograms(root.get(), true, &error);
    if (programs.isOpen()) {
        removeLeftoverTemporaries(programs.get(), m_ops);
        result.programWritten
            = writeFileSafely(programs.get(), programFileName(plan.number), plan.program, m_ops, &error);
    }
    if (!result.programWritten) {
        result.notices.append(
            caution(QStringLiteral("Could not create file! Destination may be write protected!"), error));
    } else {
        // A program and its name stay a pair: the name is written only beside its own program. A
        // failure to write it is not reported; the listing's message follows anyway.
        result.nameWritten = writeFileSafely(programs.get(), programNameFileName(plan.number), plan.name, m_ops);
        Q_EMIT programSaved(identity(), plan.number, plan.entries, plan.nameText);
    }
    result.notices += listingAt(root.get(), programs.get(), tracks, progress, programs.isOpen() ? 0 : error);
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
            plan.refusal.append(deleteFailed(number, 0));
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
        result.notices.append(deleteFailed(number, programs.isOpen() ? errno : 0));
    else
        Q_EMIT programDeleted(identity(), number);
    return result;
}

Notices CardStore::writeListing(const QStringList &tracks, const Progress &progress)
{
    // Without the chosen card there is nowhere to write: nothing is ever created outside a card.
    const Fd root = openRoot();
    if (!root.isOpen())
        return {};
    // A folder chosen by mistake (a home folder) is no card: it holds no track and no programs.
    int error = 0;
    const Fd programs = openPrograms(root.get(), !tracks.isEmpty(), &error);
    if (tracks.isEmpty() && !programs.isOpen())
        return {};
    if (programs.isOpen())
        removeLeftoverTemporaries(programs.get(), m_ops);
    return listingAt(root.get(), programs.get(), tracks, progress, error);
}

Notices CardStore::listingAt(int root, int programs, const QStringList &tracks, const Progress &progress, int error)
{
    Lookup lookup = lookupAt(root, tracks, progress);
    if (programs < 0
        || !writeFileSafely(programs, RootDirFileName, formatListing(lookup.commandStrings), m_ops, &error))
        lookup.notices.append(listingFailed(error));
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
    // The file belongs to this track alone: " a.mp3" and "a.mp3" would both name "a.adv".
    const QStringList tracks = listTracks();
    if (std::any_of(tracks.cbegin(), tracks.cend(), [&](const QString &other) {
            return other != trackName && trimmedBlanks(trackCommandFileName(other)).compare(name, NameCase) == 0;
        }))
        return {failed};
    removeLeftoverTemporaries(root.get(), m_ops);
    int error = 0;
    if (!writeFileSafely(root.get(), name, encodeCardText(commandStringOfTrack(commandString, trackName)), m_ops,
                         &error))
        return {{failed.kind, failed.text, CardError::fromErrno(error)}};
    return {};
}

Fd CardStore::openTrack(const QString &trackName) const
{
    const Fd root = openRoot();
    if (!root.isOpen() || !isTrackName(trackName) || !isPlainFileName(trackName))
        return {};
    Fd track;
    openRegular(root.get(), encoded(trackName).constData(), m_ops, &track);
    return track;
}

bool CardStore::hasProgram(const QString &number) const
{
    const Fd root = openRoot();
    const Fd programs = root.isOpen() ? openPrograms(root.get(), false) : Fd();
    return programs.isOpen() && hasItem(programs.get(), programFileName(number));
}

} // namespace Vexolo
