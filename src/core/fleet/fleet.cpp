#include "fleet/fleet_p.h"

#include "card/tracknames.h"
#include "words/findingwords.h"

#include "storage/cardfiles.h"
#include "storage/cardtext.h"

#include <QCryptographicHash>
#include <QMutex>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <xxhash.h>

namespace Vexolo {

namespace {

using namespace FleetDetail;

const QByteArray ProgramsPrefix = programsPrefix();
const QByteArray ListingPath = listingPath();
// The largest file FAT32 holds: no track of a card is larger, and a sparse giant is never read through.
constexpr qint64 FatFileLimit = (qint64(1) << 32) - 1;

// A track's content hash: XXH3, 128 bits. It tells a copy that went wrong and a track that differs, and it runs at
// the speed of memory, where SHA-1 took longer than the copy it checked; no card is asked to resist a forger.
class ContentHash final
{
public:
    ContentHash() { XXH3_128bits_reset(m_state); }
    ~ContentHash() { XXH3_freeState(m_state); }
    Q_DISABLE_COPY_MOVE(ContentHash)

    void add(QByteArrayView bytes) { XXH3_128bits_update(m_state, bytes.data(), size_t(bytes.size())); }
    QByteArray result()
    {
        XXH128_canonical_t canonical;
        XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(m_state));
        XXH3_128bits_reset(m_state);
        return QByteArray(reinterpret_cast<const char *>(canonical.digest), sizeof canonical.digest);
    }

private:
    XXH3_state_t *m_state = XXH3_createState();
};

struct TrackRead
{
    qint64 size = -1; // -1: it cannot be read
    QByteArray hash;
};

// A track's size, -1 when it cannot be opened.
qint64 trackSize(const CardStore &store, const QString &name)
{
    const Fd fd = store.openTrack(name);
    struct stat info;
    return fd.isOpen() && ::fstat(fd.get(), &info) == 0 ? info.st_size : -1;
}

// A track of the store, its size and its content's hash; size -1 when it cannot be read, or it changed while it was
// read, or keepGoing said stop.
TrackRead readTrack(const CardStore &store, const QString &name, const std::function<bool()> &keepGoing)
{
    TrackRead track;
    const Fd fd = store.openTrack(name);
    struct stat info;
    if (!fd.isOpen() || ::fstat(fd.get(), &info) != 0)
        return {};
    ContentHash hash;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const ssize_t got = store.ops().readRetrying(fd.get(), chunk.data(), size_t(chunk.size()));
        if (got < 0 || (keepGoing && !keepGoing()))
            return {};
        if (got == 0)
            break;
        hash.add(QByteArrayView(chunk.constData(), got));
        total += got;
    }
    if (total == info.st_size) {
        track.size = total;
        track.hash = hash.result();
    }
    return track;
}

// The content hashes of the store's tracks, read on two threads.
QByteArrayList trackHashes(const CardStore &store, const QStringList &tracks)
{
    QByteArrayList hashes(tracks.size());
    std::atomic<qsizetype> next = 0;
    const auto work = [&] {
        for (qsizetype i = next++; i < tracks.size(); i = next++)
            hashes[i] = readTrack(store, tracks[i], {}).hash;
    };
    std::thread other(work);
    work();
    other.join();
    return hashes;
}

// What an apply copies and writes, planned before anything is written.
struct ApplyPlan
{
    QHash<QString, QString> cardTracks; // the card's tracks by their case-folded names
    QSet<QString> referenceTracks; // case-folded
    QMap<QString, QByteArray> hashes; // each reference track's content, once known
    QStringList copiedFrom; // the reference track of each copy
    QList<CardStore::TrackCopy> copies;
    CopyPlan setup;
};

// Reads both; true, with the refusal in result, when nothing may be written.
bool applyRefused(const CardStore &reference, const CardStore &card, CardStore::Contents &from, CardStore::Contents &to,
                  FleetResult &result)
{
    if (cardsOverlap(reference, card)) {
        result.refusal.append(
            {card.root(),
             Kind::Refused,
             Says::Stated,
             {QStringLiteral("the reference and the card are one card, or one lies inside the other")}});
        return true;
    }
    // The card stays this apply's from its reading to its read-back: another writer's files never mix in.
    if (!card.holdForWrites()) {
        result.refusal.append({card.root(), Kind::Refused, Says::Stated, {WriterBusyText}});
        return true;
    }
    from = reference.readContents();
    to = card.readContents();
    if (!from.readable)
        result.refusal.append({reference.root(), Kind::Refused, Says::Stated, {QStringLiteral("cannot be read")}});
    if (!to.readable)
        result.refusal.append({card.root(), Kind::Refused, Says::Stated, {QStringLiteral("cannot be read")}});
    return !result.refusal.isEmpty();
}

// The tracks: those the card lacks or holds otherwise are copied, under the card's own letter case. False when
// keepGoing said stop.
bool planTracks(const CardStore &reference, const CardStore &card, const CardStore::Contents &from,
                const CardStore::Contents &to, const std::function<bool()> &keepGoing, ApplyPlan &plan,
                FleetResult &result)
{
    for (const QString &track : to.tracks)
        plan.cardTracks.insert(track.toCaseFolded(), track);
    for (const QString &track : from.tracks) {
        if (plan.referenceTracks.contains(track.toCaseFolded())) {
            // One file on the card: the first of two names that differ by case alone.
            result.notes.append({track,
                                 Kind::NotCopied,
                                 Says::Stated,
                                 {QStringLiteral("another track of the reference has this name in another letter case; "
                                                 "not copied")}});
            continue;
        }
        plan.referenceTracks.insert(track.toCaseFolded());
        const qint64 size = trackSize(reference, track);
        if (size < 0 || size > FatFileLimit) {
            result.refusal.append({track,
                                   Kind::Refused,
                                   Says::Stated,
                                   {size < 0 ? QStringLiteral("cannot be read on the reference")
                                             : QStringLiteral("larger than a card's FAT file system can hold")}});
            continue;
        }
        // By size, then by content: a track of another size is copied without reading either.
        const QString there = plan.cardTracks.value(track.toCaseFolded());
        if (!there.isEmpty() && trackSize(card, there) == size) {
            const TrackRead source = readTrack(reference, track, keepGoing);
            plan.hashes.insert(track, source.hash);
            if (source.size >= 0 && readTrack(card, there, keepGoing).hash == source.hash)
                continue;
        }
        if (keepGoing && !keepGoing())
            return false;
        const QString name = there.isEmpty() ? track : there;
        plan.copies.append({track, name, &reference});
        plan.copiedFrom.append(track);
        result.bytes += size;
        result.actions.append(QStringLiteral("%1: copied (%2 bytes)").arg(name).arg(size));
    }
    for (const QString &name : from.controlNamedTracks)
        result.refusal.append({controlsShown(name),
                               Kind::Refused,
                               Says::Stated,
                               {QStringLiteral("its name holds a line break, a tab or another control character; no "
                                               "card takes it as a track")}});
    for (const QString &track : to.tracks) {
        if (!plan.referenceTracks.contains(track.toCaseFolded()))
            result.notes.append({track,
                                 Kind::OnlyOnB,
                                 Says::Stated,
                                 {QStringLiteral("the track is not on the reference; left alone")}});
    }
    return true;
}

// The setup, planned for the card as it will be once its tracks are there.
void planSetup(const CardStore::Contents &from, const CardStore::Contents &to, ApplyPlan &plan, FleetResult &result)
{
    CardStore::Contents planned = to;
    for (const CardStore::TrackCopy &copy : std::as_const(plan.copies)) {
        if (!plan.cardTracks.contains(copy.name.toCaseFolded()))
            planned.tracks.append(copy.name);
    }
    plan.setup = planCopy(from, planned);
    plan.setup.listing = plan.setup.refusal.isEmpty() && (plan.setup.listing || !plan.copies.isEmpty());
    result.refusal += plan.setup.refusal;
    for (const Finding &note : std::as_const(plan.setup.notes)) {
        if (note.kind != Kind::Backup)
            result.notes.append(note);
    }
    QSet<QString> referenceFiles;
    for (const CardStore::CardFile &file : from.commandFiles)
        referenceFiles.insert(file.name.toCaseFolded());
    for (const CardStore::CardFile &file : to.commandFiles) {
        if (!referenceFiles.contains(file.name.toCaseFolded()))
            result.notes.append({file.name,
                                 Kind::OnlyOnB,
                                 Says::Stated,
                                 {QStringLiteral("the command file is not on the reference; left alone")}});
    }
    for (const CardStore::FileWrite &write : std::as_const(plan.setup.writes)) {
        result.actions.append(pathOf(write) + QStringLiteral(": written"));
        result.bytes += write.bytes.size();
    }
    if (plan.setup.listing)
        result.actions.append(programsPath(RootDirFileName) + QStringLiteral(": written anew"));
    result.files = plan.copies.size() + plan.setup.writes.size();
}

// The reference's version: its tracks' contents and its setup.
QString versionOf(const SetupSnapshot &setup, const QMap<QString, QByteArray> &tracks)
{
    QCryptographicHash version(QCryptographicHash::Sha1);
    for (auto track = tracks.cbegin(); track != tracks.cend(); ++track)
        version.addData(track.key().toUtf8() + '\0' + track.value());
    for (auto file = setup.cbegin(); file != setup.cend(); ++file) {
        if (file.key() != ListingPath)
            version.addData(file.key() + '\0' + file.value());
    }
    return QString::fromLatin1(version.result().toHex().left(12));
}

// The reference's hash of each track to copy: one read already for its comparison is not read again.
QByteArrayList hashesToCopy(const CardStore &reference, const ApplyPlan &plan, const std::function<bool()> &going)
{
    QByteArrayList read;
    for (const QString &track : std::as_const(plan.copiedFrom))
        read.append(plan.hashes.contains(track) ? plan.hashes.value(track) : readTrack(reference, track, going).hash);
    return read;
}

// Read back from the card itself, its pages dropped from memory after the flush: every track copied must hold the
// bytes of the reference's track.
void readBack(const CardStore &card, ApplyPlan &plan, const QByteArrayList &referenceHashes,
              const CardStore::Copied &copied, FleetResult &result)
{
    QHash<QString, QByteArray> expected; // by the track's name on the card
    for (qsizetype i = 0; i < plan.copiedFrom.size(); ++i) {
        plan.hashes.insert(plan.copiedFrom[i], referenceHashes[i]);
        expected.insert(plan.copies[i].name, referenceHashes[i]);
    }
    const QStringList checked = !result.cancelled && result.problems.isEmpty() ? copied.tracks : QStringList();
    CardReads fromCard(card.ops());
    const QByteArrayList back = trackHashes(CardStore({card.root(), card.identity(), {}, {}}, fromCard), checked);
    for (qsizetype i = 0; i < checked.size(); ++i) {
        if (back[i].isEmpty() || back[i] != expected.value(checked[i]))
            result.problems.append({checked[i],
                                    Kind::NotVerified,
                                    Says::Stated,
                                    {QStringLiteral("reads back differently from the reference")}});
    }
}

// The actions of the plan that were done: a track put in place, a setup file written, neither with a problem. The plan
// lists one action for each track's copy, then one for each setup file, then the listing's.
void keepDone(const ApplyPlan &plan, const CardStore::Copied &copied, bool setupWritten, FleetResult &result)
{
    QSet<QString> failed;
    for (const Finding &problem : std::as_const(result.problems))
        failed.insert(problem.place);
    QStringList names;
    for (const CardStore::TrackCopy &copy : plan.copies)
        names.append(copy.name);
    for (const CardStore::FileWrite &write : plan.setup.writes)
        names.append(pathOf(write));
    names.append(programsPath(RootDirFileName));
    QStringList done;
    for (qsizetype i = 0; i < result.actions.size() && i < names.size(); ++i) {
        const bool written = i < plan.copies.size() ? copied.tracks.contains(names[i]) : setupWritten;
        if (written && !failed.contains(names[i]))
            done.append(result.actions[i]);
    }
    result.actions = done;
}

// Copies the tracks and reads them back, then writes the setup, as one piece of work; what failed goes into result.
// The setup waits for the tracks: a listing of tracks the card did not keep is no setup of the reference's.
void writeCard(const CardStore &reference, CardStore &card, ApplyPlan &plan, const Progress &progress,
               const std::function<bool()> &keepGoing, FleetResult &result)
{
    const ChangeCause what {ChangeCause::Apply, reference.root()};
    const CardStore::Work work(card, what);
    // The reference's tracks are hashed while they are copied, for the check and the version: the copy is the disk's
    // work, the hash the processor's. Those a copy cut short did not reach are hashed all the same, for the version.
    QByteArrayList referenceHashes;
    // The hashes read for comparisons are only read from here on until the thread is joined.
    std::thread referenceRead([&] { referenceHashes = hashesToCopy(reference, plan, {}); });
    const CardStore::Copied copied
        = plan.copies.isEmpty() ? CardStore::Copied() : card.copyTracksIn(plan.copies, progress, keepGoing);
    referenceRead.join();
    result.cancelled = copied.cancelled;
    // No room is found before anything is written: a refusal.
    for (const Notice &notice : copied.notices)
        (notice.message == Notice::Message::NoRoom ? result.refusal : result.problems)
            .append(notice.message == Notice::Message::NoRoom
                        ? Finding {card.root(), Kind::Refused, Says::NoRoom, {}, {notice.count}}
                        : Finding {notice.names.value(0, card.root()), Kind::NotVerified, Says::CouldNotBeCopied});
    readBack(card, plan, referenceHashes, copied, result);
    const bool setup = result.verified();
    if (setup)
        result.problems += copySetup(card, plan.setup, {}, what);
    keepDone(plan, copied, setup, result);
}

} // namespace

FleetChange FleetDetail::log(FleetRepository &fleet, const CardLabel &card, const QString &reference,
                             const FleetResult &result)
{
    QString outcome = QStringLiteral("verified");
    if (result.cancelled)
        outcome = QStringLiteral("cancelled");
    else if (!result.verified()) {
        QStringList failed;
        for (const Finding &problem : result.refusal + result.problems)
            failed.append(findingLine(problem));
        outcome = QStringLiteral("failed: ") + failed.join(QStringLiteral("; "));
    }
    if (!fleet.isOpen())
        return fleet.appendLog({});
    // A register that cannot be read costs the line its player's name, not the line.
    const std::optional<Player> player = fleet.player(card.key).value;
    return fleet.appendLog({QDateTime::currentDateTime(), player ? player->name : QString(), card.key, reference,
                            result.version, result.files, result.bytes, outcome});
}

FleetResult applyReference(FleetRepository &fleet, const CardStore &reference, CardStore &card, bool dryRun,
                           const Progress &progress, const std::function<bool()> &keepGoing)
{
    FleetResult result;
    CardStore::Contents from;
    CardStore::Contents to;
    if (applyRefused(reference, card, from, to, result))
        return result;
    ApplyPlan plan;
    if (!planTracks(reference, card, from, to, keepGoing, plan, result)) {
        result.cancelled = true;
        return result;
    }
    planSetup(from, to, plan, result);
    const SetupSnapshot setup = snapshotOf(from);
    if (dryRun || !result.refusal.isEmpty()) {
        // No track is read for the version alone: it is named only when every track to copy was read for a comparison
        // already, else it is not yet known (the real run hashes the tracks as it copies them).
        if (std::all_of(plan.copiedFrom.cbegin(), plan.copiedFrom.cend(),
                        [&plan](const QString &track) { return plan.hashes.contains(track); }))
            result.version = versionOf(setup, plan.hashes);
        return result;
    }

    writeCard(reference, card, plan, progress, keepGoing, result);
    result.version = versionOf(setup, plan.hashes);
    result.logged = FleetDetail::log(fleet, labelOf(card), reference.root(), result);
    if (result.verified()) {
        card.workVerified({ChangeCause::Apply, reference.root()});
        CardSession::instance().tell(card.identity(), CardChange::finished({ChangeCause::Apply, reference.root()}));
    }
    return result;
}

CardStore::Contents contentsOf(const SetupSnapshot &files, const QStringList &tracks)
{
    CardStore::Contents contents;
    contents.readable = true;
    contents.tracks = tracks;
    const auto fileOf = [&files](const QString &name) {
        const QByteArray rawName = encodeFileName(name);
        const auto found = files.constFind(ProgramsPrefix + rawName);
        return found == files.cend() ? CardStore::CardFile {name, rawName, ReadStatus::Missing, {}, {}}
                                     : CardStore::CardFile {name, rawName, ReadStatus::Read, *found, {}};
    };
    for (const ProgramNumber number : ProgramNumber::all()) {
        contents.programs[number.value()] = fileOf(programFileName(number));
        contents.names[number.value()] = fileOf(programNameFileName(number));
    }
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        if (file.key() == ListingPath)
            contents.listingBytes = file.value();
        else if (!file.key().startsWith(ProgramsPrefix))
            contents.commandFiles.append({decodeFileName(file.key()), file.key(), ReadStatus::Read, file.value(), {}});
    }
    return contents;
}

} // namespace Vexolo
