#include "fleet/fleet_p.h"

#include "words/findingwords.h"

#include <algorithm>

// A card's setup made what a version of its history recorded.
namespace Vexolo {

using namespace FleetDetail;

namespace {

// The largest file of its kind that the card's reads take whole.
qint64 limitOf(const CardStore::FileWrite &file)
{
    if (file.folder == CardStore::Folder::Root)
        return CardStore::CommandFileLimit;
    return file.name.endsWith(QStringLiteral(".txt")) ? ProgramFileLimit : CardStore::NameFileLimit;
}

// The version's files that are no setup file of a card (a path out of it or into a folder, a track, any other name),
// or larger than the card's reads take: a version holding any of them is refused whole, before anything is written.
Findings unfitFiles(const SetupSnapshot &version)
{
    Findings unfit;
    for (auto file = version.cbegin(); file != version.cend(); ++file) {
        const CardStore::FileWrite write = writeOf(file.key(), file.value());
        const QByteArray rawName
            = write.folder == CardStore::Folder::Root ? file.key() : file.key().mid(programsPrefix().size());
        if (file.key() == listingPath())
            continue; // never restored: made anew from the tracks
        if (!CardStore::isSetupFile(write) || encodeFileName(write.name) != rawName)
            unfit.append({decodeFileName(file.key()),
                          Kind::Refused,
                          Says::Stated,
                          {QStringLiteral("no setup file a card holds; the version is not restored")}});
        else if (file.value().size() > limitOf(write))
            unfit.append({pathOf(write),
                          Kind::Refused,
                          Says::Stated,
                          {QStringLiteral("larger than a card's setup file can be; the version is not restored")}});
    }
    return unfit;
}

// The writes and removals that make the card's setup the version's.
struct RestorePlan
{
    QList<CardStore::FileWrite> writes;
    QList<CardStore::FileWrite> removals;
    bool listing = false; // written anew
};

RestorePlan planRestore(const SetupSnapshot &version, const CardStore::Contents &contents, FleetResult &result)
{
    RestorePlan plan;
    const QByteArray listing = listingPath();
    const SetupSnapshot now = snapshotOf(contents);
    for (auto file = version.cbegin(); file != version.cend(); ++file) {
        if (file.key() != listing && now.value(file.key()) != file.value()) {
            plan.writes.append(writeOf(file.key(), file.value()));
            result.actions.append(pathOf(plan.writes.last()) + QStringLiteral(": written"));
            result.bytes += file.value().size();
        }
    }
    for (auto file = now.cbegin(); file != now.cend(); ++file) {
        if (file.key() != listing && !version.contains(file.key())) {
            plan.removals.append(writeOf(file.key(), {}));
            result.actions.append(pathOf(plan.removals.last()) + QStringLiteral(": removed"));
        }
    }
    result.files = plan.writes.size() + plan.removals.size();
    plan.listing = result.files > 0 && !contents.tracks.isEmpty();
    if (plan.listing)
        result.actions.append(programsPath(RootDirFileName) + QStringLiteral(": written anew"));
    return plan;
}

void writeRestore(CardStore &card, const RestorePlan &plan, const QString &id, bool staleListing, FleetResult &result)
{
    const CardStore::Work work(card, {ChangeCause::Restore, id});
    for (const CardError &error : card.writeFiles(plan.writes) + card.removeFiles(plan.removals))
        result.problems.append({error.path,
                                Kind::NotVerified,
                                Says::Stated,
                                {QStringLiteral("could not be written or removed")},
                                {},
                                {},
                                error});
    if (plan.listing || staleListing) {
        const Notices notices = card.writeListing(card.listTracks());
        if (!notices.isEmpty())
            result.problems.append({programsPath(RootDirFileName),
                                    Kind::NotVerified,
                                    Says::CouldNotBeWritten,
                                    {},
                                    {},
                                    {},
                                    notices.constFirst().error});
    }
}

// Read back from the card itself, not from the computer's memory of it: the card must now hold exactly the version's
// files. The first that differs is named.
void readBackVersion(const CardStore &card, const SetupSnapshot &version, FleetResult &result)
{
    CardReads fromCard(card.ops());
    SetupSnapshot back = snapshotOf(CardStore({card.root(), card.identity(), {}, {}}, fromCard).readSetup());
    SetupSnapshot wanted = version;
    back.remove(listingPath());
    wanted.remove(listingPath());
    QByteArrayList paths = back.keys() + wanted.keys();
    std::sort(paths.begin(), paths.end());
    for (const QByteArray &path : std::as_const(paths)) {
        if (back.contains(path) != wanted.contains(path) || back.value(path) != wanted.value(path)) {
            result.problems.append({pathOf(writeOf(path, {})),
                                    Kind::NotVerified,
                                    Says::Stated,
                                    {QStringLiteral("reads back differently from the version")}});
            return;
        }
    }
}

// The actions that were done: none of a file that failed, or that does not read back as written.
void keepDone(FleetResult &result)
{
    QStringList done;
    for (const QString &action : std::as_const(result.actions)) {
        if (std::none_of(result.problems.cbegin(), result.problems.cend(), [&](const Finding &problem) {
                return action.startsWith(problem.place + QStringLiteral(": "));
            }))
            done.append(action);
    }
    result.actions = done;
}

} // namespace

FleetResult restoreVersion(FleetRepository &fleet, CardStore &card, const QString &id, bool dryRun)
{
    FleetResult result;
    const CardLabel label = labelOf(card);
    const FleetRead<std::optional<SetupSnapshot>> found = fleet.version(label.key, id);
    const std::optional<SetupSnapshot> &version = found.value;
    // The card stays this restore's from the reading its plan is made of to its read-back.
    if (!card.holdForWrites()) {
        result.refusal.append({card.root(), Kind::Refused, Says::Stated, {WriterBusyText}});
        return result;
    }
    const CardStore::Contents contents = card.readContents();
    if (found.failed())
        result.refusal.append({id, Kind::Refused, Says::Stated, {found.error}});
    else if (!version)
        result.refusal.append(
            {id, Kind::Refused, Says::Stated, {QStringLiteral("no such version in the card's history")}});
    else if (!contents.readable)
        result.refusal.append({card.root(), Kind::Refused, Says::Stated, {QStringLiteral("the card cannot be read")}});
    else
        result.refusal = unfitFiles(*version);
    if (!result.refusal.isEmpty())
        return result;
    result.version = id;
    const RestorePlan plan = planRestore(*version, contents, result);
    const bool staleListing = contents.listing != CardStore::ListingState::Current;
    if (dryRun || (result.files == 0 && !staleListing))
        return result;
    writeRestore(card, plan, id, staleListing, result);
    if (result.problems.isEmpty())
        readBackVersion(card, *version, result);
    keepDone(result);
    result.logged = FleetDetail::log(fleet, label, QStringLiteral("version %1").arg(id), result);
    if (result.verified()) {
        card.workVerified({ChangeCause::Restore, id});
        CardSession::instance().tell(card.identity(), CardChange::finished({ChangeCause::Restore, id}));
    }
    return result;
}

} // namespace Vexolo
