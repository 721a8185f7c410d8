#include "reports/cardsetup.h"

#include "card/tracknames.h"
#include "storage/cardfiles.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace Vexolo {

namespace {

using CardFile = CardStore::CardFile;

// What a side holds for one command file name: the file's first line, or a track's default string.
struct Setting
{
    QString name;
    QString value;
    bool isFile = false;
};

QHash<QString, Setting> settingsOf(const CardStore::Contents &card)
{
    QHash<QString, Setting> settings;
    for (const QString &track : card.tracks) {
        const QString name = trackCommandFileName(track);
        settings.insert(name.toCaseFolded(), {name, defaultCommandString(track)});
    }
    for (const CardFile &file : card.commandFiles) {
        const QString value = file.status == ReadStatus::Read ? CardStore::firstLine(file.bytes) : QString();
        settings.insert(file.name.toCaseFolded(), {file.name, value, true});
    }
    return settings;
}

QSet<QString> folded(const QStringList &names)
{
    QSet<QString> set;
    for (const QString &name : names)
        set.insert(name.toCaseFolded());
    return set;
}

Finding programDifference(const QString &place, const CardFile &a, const CardFile &b)
{
    if (a.status == ReadStatus::Unreadable || b.status == ReadStatus::Unreadable)
        return {place, Kind::Differs, Says::CannotReadOn, {}, {a.status == ReadStatus::Unreadable ? 0 : 1}};
    const QList<ProgramEntry> left = parseProgramFile(a.bytes);
    const QList<ProgramEntry> right = parseProgramFile(b.bytes);
    if (left.size() > ProgramRecordLimit || right.size() > ProgramRecordLimit)
        return {place, Kind::Differs, Says::TooManyEntriesOn, {}, {left.size() > ProgramRecordLimit ? 0 : 1}};
    for (qsizetype i = 0; i < std::min(left.size(), right.size()); ++i) {
        if (left[i].commandString != right[i].commandString)
            return {
                place, Kind::Differs, Says::RecordDiffers, {left[i].commandString, right[i].commandString}, {i + 1}};
    }
    if (left.size() != right.size())
        return {place, Kind::Differs, Says::EntryCounts, {}, {left.size(), right.size()}};
    return {place, Kind::Differs, Says::SameEntriesOtherBytes};
}

QString nameOf(const CardFile &file)
{
    return file.status == ReadStatus::Read ? CardStore::firstLine(file.bytes) : QString();
}

} // namespace

Findings compareSetups(const CardStore::Contents &a, const CardStore::Contents &b)
{
    Findings findings;
    const auto oneSide = [&](const QString &place, bool onA, Says says, const QList<qint64> &numbers = {}) {
        findings.append({place, onA ? Kind::OnlyOnA : Kind::OnlyOnB, says, {}, numbers});
    };
    for (int n = 0; n < CardStore::ProgramCount; ++n) {
        const CardFile &programA = a.programs[n];
        const CardFile &programB = b.programs[n];
        const bool onA = programA.status != ReadStatus::Missing;
        const bool onB = programB.status != ReadStatus::Missing;
        if (onA != onB)
            oneSide(programsPath(programA.name), onA, Says::ProgramOnOneSide, {n});
        else if (onA && (programA.status != programB.status || programA.bytes != programB.bytes))
            findings.append(programDifference(programsPath(programA.name), programA, programB));
        // A name counts only beside its program; a missing name and an empty one are the same.
        const QString nameA = nameOf(a.names[n]);
        const QString nameB = nameOf(b.names[n]);
        if ((onA || onB)
            && (nameA != nameB || a.names[n].status == ReadStatus::Unreadable
                || b.names[n].status == ReadStatus::Unreadable))
            findings.append({programsPath(a.names[n].name), Kind::Differs, Says::NamesDiffer, {nameA, nameB}});
    }

    const QHash<QString, Setting> settingsA = settingsOf(a);
    const QHash<QString, Setting> settingsB = settingsOf(b);
    QStringList keys = settingsA.keys() + settingsB.keys();
    keys.sort();
    keys.removeDuplicates();
    for (const QString &key : std::as_const(keys)) {
        const auto left = settingsA.constFind(key);
        const auto right = settingsB.constFind(key);
        if (left != settingsA.cend() && right != settingsB.cend()) {
            if (left->value != right->value)
                findings.append({left->name, Kind::Differs, Says::SettingsDiffer, {left->value, right->value}});
        } else if (left != settingsA.cend() ? left->isFile : right->isFile) {
            const bool onA = left != settingsA.cend();
            oneSide(onA ? left->name : right->name, onA, Says::CommandFileOnOneSide);
        }
    }

    const QSet<QString> tracksA = folded(a.tracks);
    const QSet<QString> tracksB = folded(b.tracks);
    for (const QString &track : a.tracks) {
        if (!tracksB.contains(track.toCaseFolded()))
            oneSide(track, true, Says::TrackOnOneSide);
    }
    for (const QString &track : b.tracks) {
        if (!tracksA.contains(track.toCaseFolded()))
            oneSide(track, false, Says::TrackOnOneSide);
    }
    for (const CardStore::Contents *side : {&a, &b}) {
        for (const QString &name : side->controlNamedTracks)
            findings.append({controlsShown(name), Kind::Refused, Says::ControlNamedOn, {}, {side == &a ? 0 : 1}});
    }
    return findings;
}

QString pathOf(const CardStore::FileWrite &write)
{
    return write.folder == CardStore::Folder::Programs ? programsPath(write.name) : write.name;
}

namespace {

void refuseUnreadable(CopyPlan &plan, const QString &place)
{
    plan.refusal.append({place, Kind::Refused, Says::NotReadNotCopied});
}

// Plans the write of bytes, unless old already holds them.
void planWrite(CopyPlan &plan, CardStore::Folder folder, const QString &name, const QByteArray &bytes,
               const CardFile *old)
{
    if (!old || old->status != ReadStatus::Read || old->bytes != bytes)
        plan.writes.append({folder, name, bytes});
}

void planPrograms(CopyPlan &plan, const CardStore::Contents &from, const CardStore::Contents &to)
{
    const QSet<QString> targetTracks = folded(to.tracks);
    for (int n = 0; n < CardStore::ProgramCount; ++n) {
        const CardFile &program = from.programs[n];
        const CardFile &name = from.names[n];
        if (program.status == ReadStatus::Missing)
            continue;
        if (program.status == ReadStatus::Unreadable || name.status == ReadStatus::Unreadable) {
            refuseUnreadable(plan, programsPath(program.status == ReadStatus::Unreadable ? program.name : name.name));
            continue;
        }
        planWrite(plan, CardStore::Folder::Programs, program.name, program.bytes, &to.programs[n]);
        // No name and an empty name are the same; the target's own name must not stay beside this program.
        if (name.status == ReadStatus::Read || to.names[n].status != ReadStatus::Missing)
            planWrite(plan, CardStore::Folder::Programs, name.name, name.bytes, &to.names[n]);
        // A backup folder holds no tracks by nature: no entry is worth a note there.
        const QList<ProgramEntry> entries
            = to.tracks.isEmpty() ? QList<ProgramEntry>() : parseProgramFile(program.bytes);
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (!targetTracks.contains(entries[i].trackName.toCaseFolded())) {
                Finding note {
                    programsPath(program.name), Kind::TrackNotOnTarget, Says::TrackNotOnTarget, {entries[i].trackName}};
                note.record = int(i + 1);
                plan.notes.append(note);
            }
        }
    }
}

void planCommandFiles(CopyPlan &plan, const CardStore::Contents &from, const CardStore::Contents &to)
{
    QHash<QString, const CardFile *> targetFiles;
    for (const CardFile &file : to.commandFiles)
        targetFiles.insert(file.name.toCaseFolded(), &file);
    QHash<QString, QString> targetTrackNames;
    for (const QString &track : to.tracks)
        targetTrackNames.insert(track.toCaseFolded(), track);
    for (const CardFile &file : from.commandFiles) {
        if (file.status == ReadStatus::Unreadable) {
            refuseUnreadable(plan, file.name);
            continue;
        }
        // A target without any track is a backup folder: it keeps every command file.
        const QStringList owners = CardStore::tracksOfCommandFile(file.name);
        QString name = to.tracks.isEmpty() ? file.name : QString();
        for (const QString &owner : owners) {
            if (name.isEmpty() && targetTrackNames.contains(owner.toCaseFolded()))
                name = trackCommandFileName(targetTrackNames.value(owner.toCaseFolded()));
        }
        if (name.isEmpty()) {
            plan.notes.append({file.name, Kind::NotCopied, Says::NotCopied, {owners.value(0)}});
            continue;
        }
        const CardFile *old = targetFiles.value(name.toCaseFolded());
        planWrite(plan, CardStore::Folder::Root, old ? old->name : name, file.bytes, old);
    }
}

} // namespace

CopyPlan planCopy(const CardStore::Contents &from, const CardStore::Contents &to)
{
    CopyPlan plan;
    if (to.programsNoFolder)
        plan.refusal.append({ProgramsFolderName, Kind::Refused, Says::NoTargetFolder});
    planPrograms(plan, from, to);
    planCommandFiles(plan, from, to);
    if (to.tracks.isEmpty())
        plan.notes.append({QStringLiteral("target"), Kind::Backup, Says::BackupFolder});
    plan.listing = !plan.writes.isEmpty() || (to.listing != CardStore::ListingState::Current && !to.tracks.isEmpty());
    if (!plan.refusal.isEmpty()) {
        plan.writes.clear();
        plan.listing = false;
    }
    return plan;
}

Findings copySetup(CardStore &target, const CopyPlan &plan, const Progress &progress, const ChangeCause &what)
{
    const CardStore::Work work(target, what);
    Findings problems = plan.refusal;
    if (!problems.isEmpty())
        return problems;
    for (const CardError &error : target.writeFiles(plan.writes, progress))
        problems.append({error.path, Kind::NotVerified, Says::CouldNotBeWritten, {}, {}, {}, error});
    if (plan.listing) {
        for (const Notice &notice : target.writeListing(target.listTracks()))
            problems.append(
                {programsPath(RootDirFileName),
                 Kind::NotVerified,
                 notice.message == Notice::Message::NoListing ? Says::CouldNotBeWritten : Says::WrittenWithDefaults,
                 {},
                 {},
                 {},
                 notice.error});
    }

    // Read back from the card itself, not from the computer's memory of it: every file written must now hold exactly
    // the bytes planned.
    CardReads fromCard(target.ops());
    const CardStore::Contents written = CardStore({target.root(), target.identity(), {}, {}}, fromCard).readContents();
    QHash<QString, const CardFile *> files;
    for (const CardFile &file : written.commandFiles)
        files.insert(file.name, &file);
    for (int n = 0; n < CardStore::ProgramCount; ++n) {
        files.insert(programsPath(written.programs[n].name), &written.programs[n]);
        files.insert(programsPath(written.names[n].name), &written.names[n]);
    }
    for (const CardStore::FileWrite &write : plan.writes) {
        const CardFile *file = files.value(pathOf(write));
        const bool same = file && file->status == ReadStatus::Read && file->bytes == write.bytes;
        if (!same && std::none_of(problems.cbegin(), problems.cend(), [&](const Finding &found) {
                return found.place == pathOf(write) && found.error.failed();
            }))
            problems.append({pathOf(write), Kind::NotVerified, Says::ReadsBackDifferently});
    }
    // The listing is verified too: a card gone before it was written must not pass for a copy.
    const QString listing = programsPath(RootDirFileName);
    if (plan.listing && written.listing != CardStore::ListingState::Current
        && std::none_of(problems.cbegin(), problems.cend(),
                        [&](const Finding &found) { return found.place == listing; }))
        problems.append({listing, Kind::NotVerified, Says::ListingNotMatching});
    return problems;
}

bool cardsOverlap(const CardStore &a, const CardStore &b)
{
    return a.identity() == b.identity() || foldersOverlap(a.root(), b.root());
}

} // namespace Vexolo
