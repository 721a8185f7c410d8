#include "storage/cardstore_p.h"

#include "card/mpegstart.h"
#include "card/tracknames.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardtext.h"
#include "storage/safefile.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <tuple>
#include <unistd.h>

namespace Vexolo {

using namespace StoreDetail;

namespace {

// A file to copy onto the card, checked; opened again when its turn comes, so a copy of thousands of tracks holds one
// open at a time.
struct CopySource
{
    const CardStore::TrackCopy *copy = nullptr;
    qint64 size {};
    dev_t device {};
    ino_t inode {};
    QString name; // on the card
};

// The user's own file is read as a card's file is: no link followed, nothing but a regular file, and none larger than a
// card's file system holds. Another card's track is read as that card's store reads it. Why not, in why.
Fd openSource(const CardStore::TrackCopy &copy, struct stat *info, CardError *why = nullptr)
{
    Fd fd = copy.from
        ? copy.from->openTrack(copy.source)
        : Fd(::open(QFile::encodeName(copy.source).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    CardError error = fd.isOpen() ? CardError() : CardError::fromErrno(errno, copy.name);
    if (!error.failed() && ::fstat(fd.get(), info) != 0)
        error = CardError::fromErrno(errno, copy.name);
    else if (!error.failed() && !S_ISREG(info->st_mode))
        error = CardError::of(CardError::NotAFile, copy.name);
    else if (!error.failed() && info->st_size > TrackSizeLimit)
        error = CardError::of(CardError::TooLarge, copy.name);
    if (why)
        *why = error;
    return error.failed() ? Fd() : std::move(fd);
}

// Whether the user's own file holds MPEG audio, by its first bytes: a track's name says nothing of what it holds.
bool holdsMpegAudio(const CardStore::TrackCopy &copy, int fd)
{
    if (copy.from)
        return true;
    char head[MpegStartSize];
    const ssize_t count = ::pread(fd, head, sizeof head, 0);
    return count > 0 && startsAsMpegAudio(QByteArrayView(head, count));
}

// Tracks written are made durable together, with one flush of the card's file system, before they are put in place: a
// flush per track costs several times the copy itself. A batch stays small enough that a pulled card loses little.
constexpr qint64 BatchBytes = 64 << 20;
constexpr qint64 ChunkSize = 1 << 20;

// Tracks written whole under temporary names, to be put in place together.
struct Written
{
    std::unique_ptr<StagedFile> file;
    QString name;
};
using Batch = std::vector<Written>;

struct Placement
{
    QStringList placed;
    QStringList unplaced;
    int error = 0; // why the unplaced were not
};

// The batch made durable with one flush of the file system, then put in place; what is not placed is removed.
Placement placeBatch(int folder, Batch batch, FileOps &ops)
{
    Placement placement;
    placement.error = ops.syncfs(folder) == 0 ? 0 : errno;
    for (Written &written : batch) {
        if (placement.error == 0 && !written.file->place())
            placement.error = errno;
        (placement.error == 0 ? placement.placed : placement.unplaced).append(written.name);
    }
    if (!placement.placed.isEmpty() && !syncFolder(folder, ops)) {
        placement.error = errno;
        placement.unplaced = placement.placed + placement.unplaced;
        placement.placed.clear();
    }
    return placement;
}

// The bytes the file system needs for size bytes: whole blocks.
qint64 blocksFor(qint64 size, qint64 block)
{
    return block > 0 ? (size + block - 1) / block * block : size;
}

// The names in the open folder that may be command files, folded: one read of the folder tells
// which command files can exist, so a big card costs one open per command file, not one per track.
// None when the folder cannot be read whole: it may hide command files.
std::optional<QSet<QString>> commandFileCandidates(int folder, FileOps &ops)
{
    QSet<QString> present;
    if (readFolder(folder, ops, [&present](QByteArrayView name) { addCommandFileCandidate(present, name); }).cause
        != CardError::None)
        return {};
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
    return at >= 0 && present.contains(folded.replace(at, Mp3Extension.size(), QStringLiteral(".adv")));
}

} // namespace

QStringList TrackFiles::listTracks() const
{
    const Fd root = openRoot();
    return root.isOpen() ? tracksAt(root.get(), m_ops) : QStringList();
}

CardStore::Lookup TrackFiles::lookupCommands(const QStringList &trackNames, const Progress &progress) const
{
    const Fd root = openRoot();
    return lookupAt(root.get(), trackNames, progress);
}

CardStore::Lookup TrackFiles::lookupAt(int root, const QStringList &trackNames, const Progress &progress,
                                       const QSet<QString> *candidates) const
{
    CardStore::Lookup result;
    result.commandStrings.reserve(trackNames.size());
    NameList unreadable;
    const std::optional<QSet<QString>> listed = root == -1 || trackNames.size() <= 1 ? QSet<QString>()
        : candidates                                                                 ? *candidates
                     : commandFileCandidates(root, m_ops);
    // A root that could not be listed is asked for each command file on its own.
    const bool lookEach = trackNames.size() <= 1 || !listed;
    const QSet<QString> present = listed.value_or(QSet<QString>());
    QString folded;
    for (qsizetype i = 0; i < trackNames.size(); ++i) {
        report(progress, i, trackNames.size());
        const QString &trackName = trackNames[i];
        QString commandString = defaultCommandString(trackName);
        if (root == -1 || (!lookEach && !mayHaveCommandFile(trackName, present, folded))) {
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
        result.notices.append(unreadable.notice(Notice::Message::CouldNotRead));
    return result;
}

Notices TrackFiles::writeTrackCommand(const QString &trackName, const QString &commandString)
{
    const qsizetype at = indexOfMp3(trackName);
    const QString shownFile
        = trimmedBlanks(at < 0 ? trackName : QString(trackName).replace(at, 4, QStringLiteral(".adv")));
    const Notice failed = plain(Notice::Message::WriteFailed, {shownFile});
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
    int error {};
    if (!writeFileSafely(root.get(), name, encodeCardText(commandStringOfTrack(commandString, trackName)), m_ops,
                         &error))
        return {{failed.kind, failed.message, failed.names, 0, CardError::fromErrno(error, name)}};
    return {};
}

QString TrackFiles::trackCommandString(const QString &trackName) const
{
    const QString fileName = trackCommandFileName(trackName);
    const Fd root = openRoot();
    if (root.isOpen() && isPlainFileName(fileName)) {
        const CardRead read = readFirstLine(root.get(), encoded(fileName).constData(), m_ops);
        if (read.status == ReadStatus::Read)
            return decodeCardText(read.bytes);
    }
    return defaultCommandString(trackName);
}

namespace {

// The files to copy, checked against the card before anything is written, and the room they need.
struct CopyCheck
{
    std::vector<CopySource> sources;
    qint64 needed = 0;
};

// The dropped files refused, by why: each cause told once, with its names.
struct Refusals
{
    NameList noMp3;
    QList<std::pair<CardError, NameList>> byCause;
    void refuse(const QString &name, CardError why)
    {
        why = {why.cause, why.number == ELOOP ? ELOOP : 0, {}}; // a link is told apart from other files
        auto found
            = std::find_if(byCause.begin(), byCause.end(), [&why](const auto &cause) { return cause.first == why; });
        if (found == byCause.end())
            found = byCause.insert(byCause.end(), {why, {}});
        found->second.add(name);
    }
    void tell(Notices &notices) const
    {
        if (noMp3.total > 0)
            notices.append(noMp3.notice(Notice::Message::NoMp3));
        for (const auto &[why, names] : byCause)
            notices.append({Notice::Plain, Notice::Message::NotCopied, names.names, names.total, why});
    }
};

bool holdsControlCharacter(const QString &name)
{
    return std::any_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

// Whether the copy may go: a plain track name, and a file that can be read as a track. Refused ones are told why.
bool mayCopy(const CardStore::TrackCopy &copy, Fd &file, struct stat &info, Refusals &refused)
{
    if (holdsControlCharacter(copy.name)) {
        refused.refuse(copy.name, CardError::of(CardError::Refused));
        return false;
    }
    if (!isTrackName(copy.name) || !isPlainFileName(copy.name)) {
        refused.noMp3.add(copy.name);
        return false;
    }
    CardError why;
    file = openSource(copy, &info, &why);
    if (!file.isOpen()) {
        refused.refuse(copy.name, why);
        return false;
    }
    if (!holdsMpegAudio(copy, file.get())) {
        refused.noMp3.add(copy.name);
        return false;
    }
    return true;
}

CopyCheck checkSources(int root, const QList<CardStore::TrackCopy> &copies, qint64 block, Refusals &refused,
                       QStringList &there, FileOps &ops)
{
    CopyCheck check;
    // The card's tracks by their folded names: a track of a name in another letter case is the one replaced, as on a
    // FAT card they are one file.
    QHash<QString, QString> onCard;
    for (const QString &track : tracksAt(root, ops))
        onCard.insert(track.toCaseFolded(), track);
    QSet<QString> taken;
    for (const CardStore::TrackCopy &copy : copies) {
        const QString folded = copy.name.toCaseFolded();
        if (taken.contains(folded))
            continue; // the first of two files of one name is the one copied
        Fd file;
        struct stat info;
        if (!mayCopy(copy, file, info, refused))
            continue;
        const QString name = onCard.value(folded, copy.name);
        // The card's own track dropped onto it again is there already.
        struct stat target;
        if (::fstatat(root, encoded(name).constData(), &target, AT_SYMLINK_NOFOLLOW) == 0
            && target.st_dev == info.st_dev && target.st_ino == info.st_ino) {
            taken.insert(folded);
            there.append(name);
            continue;
        }
        check.needed += blocksFor(info.st_size, block);
        taken.insert(folded);
        check.sources.push_back({&copy, qint64(info.st_size), info.st_dev, info.st_ino, name});
    }
    return check;
}

// How far a copy has come, and whether it is to go on.
struct CopyProgress
{
    const Progress &progress;
    const std::function<bool()> &keepGoing;
    qint64 done = 0;
    qint64 total = 0;
    bool cancelled = false;
};

// Why one track's copy stopped short: the computer's file failed or came out shorter (no cause of the card's), or
// the card failed (error).
struct ChunksCopied
{
    bool fromSource = false;
    int error = 0;
};

// A chunk at a time, so a cancel or a progress report is never far off. The kernel copies without the bytes passing
// through here, where the file systems let it. Where they do not, or a copy fails, the rest is read and written,
// which tells whose fault a failure is.
ChunksCopied copyChunks(FileOps &ops, int from, int to, qint64 size, bool &kernelCopy, QByteArray &buffer,
                        CopyProgress &state)
{
    for (qint64 left = size; left > 0;) {
        if (state.keepGoing && !state.keepGoing()) {
            state.cancelled = true;
            return {};
        }
        const size_t chunk = size_t(std::min(left, ChunkSize));
        ssize_t got = kernelCopy ? ops.copyFileRange(from, to, chunk) : -1;
        if (got <= 0) {
            kernelCopy = false;
            buffer.resize(ChunkSize);
            got = ops.readRetrying(from, buffer.data(), chunk);
            if (got <= 0)
                return {true, 0};
            if (!writeAll(ops, to, QByteArrayView(buffer.constData(), got)))
                return {false, errno};
        }
        left -= got;
        state.done += got;
        if (state.progress)
            state.progress(state.done, state.total);
    }
    return {};
}

// The tracks written whole, handed over a batch at a time to be made durable and put in place: the batch before is
// placed while the next is copied, so the card writes while the kernel copies.
class Batches
{
public:
    Batches(int root, FileOps &ops, CardStore::Copied &result)
        : m_root(root)
        , m_ops(ops)
        , m_result(result)
    {
    }
    void failed(const QStringList &names, const CardError &cause)
    {
        m_result.notices.append({Notice::Caution, Notice::Message::CopyFailed, names, {}, cause});
    }
    // False when the batch is full and the one before could not be placed: no more goes.
    bool add(std::unique_ptr<StagedFile> file, const QString &name, qint64 size)
    {
        m_batch.push_back({std::move(file), name});
        m_bytes += size;
        return m_bytes < BatchBytes || handOver();
    }
    // The batch written goes to be placed once the one before is in place; when that one failed, it is dropped.
    bool handOver()
    {
        const bool placedBefore = collect();
        if (placedBefore && !m_batch.empty())
            m_placing = std::async(std::launch::async, placeBatch, m_root, std::move(m_batch), std::ref(m_ops));
        m_batch.clear();
        m_bytes = 0;
        return placedBefore;
    }
    // Waits for the batch being placed; false when some of it was not.
    bool collect()
    {
        if (!m_placing.valid())
            return true;
        const Placement placement = m_placing.get();
        m_result.tracks += placement.placed;
        if (!placement.unplaced.isEmpty())
            failed(placement.unplaced, CardError::fromErrno(placement.error, placement.unplaced.first()));
        return placement.unplaced.isEmpty();
    }

private:
    int m_root;
    FileOps &m_ops;
    CardStore::Copied &m_result;
    Batch m_batch;
    qint64 m_bytes = 0;
    std::future<Placement> m_placing;
};

// Copies each source to a temporary name beside its track, a batch at a time; stops at the first that fails.
void copySources(int root, const std::vector<CopySource> &sources, FileOps &ops, CopyProgress &state,
                 CardStore::Copied &result)
{
    Batches batches(root, ops, result);
    QByteArray buffer;
    bool kernelCopy = true;
    for (const CopySource &source : sources) {
        struct stat info;
        const Fd from = openSource(*source.copy, &info);
        // The computer's file failed or changed: no half track, and no cause of the card's to tell.
        ChunksCopied copied;
        copied.fromSource
            = !from.isOpen() || std::tie(info.st_dev, info.st_ino) != std::tie(source.device, source.inode);
        std::unique_ptr<StagedFile> staged;
        if (!copied.fromSource)
            staged = StagedFile::create(root, source.name, ops, &copied.error);
        if (staged)
            copied = copyChunks(ops, from.get(), staged->fd(), source.size, kernelCopy, buffer, state);
        const bool whole = staged && !state.cancelled && !copied.fromSource && copied.error == 0;
        // Its writing to the card starts now, while the next is copied, so the flush finds little left to do.
        if (whole)
            (void)::sync_file_range(staged->fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
        if (whole && !staged->close())
            copied.error = errno;
        if (!whole || copied.error != 0) {
            staged.reset();
            if (!state.cancelled)
                batches.failed({source.name},
                               copied.fromSource ? CardError() : CardError::fromErrno(copied.error, source.name));
            break; // a full or pulled card takes no more either; the tracks written whole before it still go in
        }
        if (!batches.add(std::move(staged), source.name, source.size))
            break;
    }
    batches.handOver();
    batches.collect();
}

} // namespace

CardStore::Copied TrackFiles::copyTracksIn(const QList<CardStore::TrackCopy> &copies, const Progress &progress,
                                           const std::function<bool()> &keepGoing)
{
    const Fd root = openRoot();
    if (!root.isOpen())
        return {{}, {noCard()}};
    CardStore::Copied result;
    Refusals refused;
    struct statvfs room = {};
    // A file system that cannot tell its free space takes the tracks all the same; a full one says so as they go.
    const bool roomKnown = m_ops.fstatvfs(root.get(), &room) == 0;
    const CopyCheck check = checkSources(root.get(), copies, qint64(room.f_frsize), refused, result.tracks, m_ops);
    refused.tell(result.notices);
    // The old track's room comes free only once its copy is in place: every byte is counted.
    const qint64 free = qint64(room.f_bavail) * qint64(room.f_frsize);
    if (roomKnown && check.needed > free) {
        result.notices.append({Notice::Caution, Notice::Message::NoRoom, {}, check.needed - free, {}});
        return result;
    }
    removeLeftoverTemporaries(root.get(), m_ops);
    CopyProgress state {progress, keepGoing};
    for (const CopySource &source : check.sources)
        state.total += source.size;
    copySources(root.get(), check.sources, m_ops, state, result);
    result.cancelled = state.cancelled;
    return result;
}

Fd TrackFiles::openTrack(const QString &trackName) const
{
    const Fd root = openRoot();
    if (!root.isOpen() || !isTrackName(trackName) || !isPlainFileName(trackName))
        return {};
    Fd track;
    openRegular(root.get(), encoded(trackName).constData(), m_ops, &track);
    return track;
}

} // namespace Vexolo
