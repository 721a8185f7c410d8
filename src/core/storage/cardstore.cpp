#include "storage/cardstore.h"
#include "storage/cardfiles.h"
#include "storage/cardsession.h"
#include "storage/cardstore_p.h"

// The card store itself: the one entry to a card, handing each request to the part that answers it,
// and telling what became of the program files.

namespace Vexolo {

namespace {
SetupJournal *defaultJournal = nullptr;

// A write refused because another program is writing to the card.
Notices busy(Notice::Message message, const QStringList &names = {}, qint64 count = 0)
{
    return {{Notice::Caution, message, names, count, CardError::of(CardError::Busy)}};
}

CardErrors busyFiles(const QList<CardStore::FileWrite> &files)
{
    CardErrors errors;
    for (const CardStore::FileWrite &file : files)
        errors.append(CardError::of(CardError::Busy,
                                    file.folder == CardStore::Folder::Programs ? ProgramsFolderName + u'/' + file.name
                                                                               : file.name));
    return errors;
}

} // namespace

// One write, piece of work or hold of a store: the first takes the card's lock, the last lets it go, so a piece of
// work waits for another writer once and its writes follow its answer.
class CardStore::WriteHold
{
public:
    explicit WriteHold(const CardStore &store)
        : m_store(store)
    {
        if (m_store.m_writing++ == 0)
            m_store.m_lock = std::make_unique<CardWriteLock>(m_store.identity());
    }
    ~WriteHold()
    {
        if (--m_store.m_writing == 0)
            m_store.m_lock.reset();
    }
    Q_DISABLE_COPY_MOVE(WriteHold)
    bool held() const { return m_store.m_lock && m_store.m_lock->held(); }

private:
    const CardStore &m_store;
};

bool CardStore::holdForWrites() const
{
    if (!m_kept)
        m_kept = std::make_unique<WriteHold>(*this);
    return m_kept->held();
}

void CardStore::setDefaultJournal(SetupJournal *journal)
{
    defaultJournal = journal;
}

CardStore::Work::Work(CardStore &store, const ChangeCause &what)
    : m_store(store)
    , m_inner(store.m_work.has_value())
    , m_hold(std::make_unique<WriteHold>(store))
{
    if (m_inner)
        return;
    m_store.m_work = what;
    m_store.m_workRecorded = false;
}

CardStore::Work::~Work()
{
    if (!m_inner)
        m_store.m_work.reset();
}

bool CardStore::Work::held() const
{
    return m_hold->held();
}

void CardStore::workVerified(const ChangeCause &what) const
{
    if (m_journal)
        m_journal->afterChange(*this, what);
}

void CardStore::setupChanged()
{
    if (identity().isValid())
        CardSession::instance().tell(identity(), {CardChange::SetupChanged, 0, 0, {}, {}});
}

void CardStore::aboutToChange(const ChangeCause &what)
{
    if (!m_journal || (m_work && m_workRecorded))
        return;
    m_workRecorded = m_work.has_value();
    m_journal->beforeChange(*this, m_work.value_or(what));
}

CardStore::CardStore(FileOps &ops)
    : m_card(ops)
    , m_ops(ops)
    , m_journal(defaultJournal)
    , m_tracks(std::make_unique<TrackFiles>(m_card, ops))
    , m_listing(std::make_unique<ListingFile>(m_card, ops, *m_tracks))
    , m_programs(std::make_unique<ProgramStore>(m_card, ops, *m_listing))
    , m_setup(std::make_unique<SetupFiles>(m_card, ops, *m_tracks))
{
}

CardStore::CardStore(const QString &text, FileOps &ops)
    : CardStore(ops)
{
    choose(text);
}

CardStore::CardStore(const CardChoice &choice, FileOps &ops)
    : CardStore(ops)
{
    adopt(choice);
}

CardStore::~CardStore() = default;

CardChoice CardStore::findCard(const QString &text, bool withTracks)
{
    ChosenCard card(FileOps::system()); // only opens, as choosing does
    card.adopt(ChosenCard::find(text));
    const Fd root = card.openRoot();
    if (!root.isOpen())
        return {};
    CardChoice choice {card.root(), card.identity(), {}, {}};
    if (withTracks)
        choice.tracks = StoreDetail::tracksAt(root.get(), FileOps::system(), &choice.withCommandFile);
    return choice;
}

QStringList CardStore::listTracks() const
{
    return m_tracks->listTracks();
}

CardStore::Lookup CardStore::lookupCommands(const QStringList &trackNames, const Progress &progress) const
{
    return m_tracks->lookupCommands(trackNames, progress);
}

Notices CardStore::writeTrackCommand(const QString &trackName, const QString &commandString)
{
    const WriteHold hold(*this);
    if (!hold.held())
        return busy(Notice::Message::WriteFailed, {trackName});
    aboutToChange({ChangeCause::TrackSettings, trackName});
    Notices notices = m_tracks->writeTrackCommand(trackName, commandString);
    if (notices.isEmpty()) {
        Q_EMIT trackCommandWritten(identity(), trackName);
        CardSession::instance().tell(identity(), {CardChange::TrackCommandWritten, 0, 0, {}, trackName});
    }
    return notices;
}

QString CardStore::trackCommandString(const QString &trackName) const
{
    return m_tracks->trackCommandString(trackName);
}

CardStore::Copied CardStore::copyTracksIn(const QList<TrackCopy> &copies, const Progress &progress,
                                          const std::function<bool()> &keepGoing)
{
    const WriteHold hold(*this);
    if (!hold.held()) {
        QStringList names;
        for (const TrackCopy &copy : copies)
            names.append(copy.name);
        return {listTracks(), busy(Notice::Message::CopyFailed, names), false};
    }
    if (!copies.isEmpty())
        aboutToChange({ChangeCause::TracksCopiedIn, {}});
    Copied copied = m_tracks->copyTracksIn(copies, progress, keepGoing);
    setupChanged();
    // A copy of its own, whole, is done here; within other work (an apply) that work says when it is.
    if (!m_work && identity().isValid() && !copied.tracks.isEmpty() && copied.notices.isEmpty() && !copied.cancelled)
        CardSession::instance().tell(identity(),
                                     CardChange::finished({ChangeCause::TracksCopiedIn, {}}, copied.tracks.size()));
    return copied;
}

Fd CardStore::openTrack(const QString &trackName) const
{
    return m_tracks->openTrack(trackName);
}

Notices CardStore::writeListing(const QStringList &tracks, const Progress &progress)
{
    const WriteHold hold(*this);
    if (!hold.held())
        return busy(Notice::Message::NoListing);
    aboutToChange({ChangeCause::Listing, {}});
    return m_listing->writeListing(tracks, progress);
}

Notices CardStore::rewriteListing()
{
    const WriteHold hold(*this);
    if (!hold.held())
        return busy(Notice::Message::NoListing);
    aboutToChange({ChangeCause::Listing, {}});
    Notices notices = m_listing->rewriteListing();
    setupChanged();
    return notices;
}

CardStore::Loaded CardStore::loadProgram(ProgramNumber number, const Progress &progress) const
{
    return m_programs->loadProgram(number, progress);
}

CardStore::SavePlan CardStore::prepareSave(ProgramNumber number, const QStringList &commandStrings,
                                           const QString &name) const
{
    return m_programs->prepareSave(number, commandStrings, name);
}

CardStore::Saved CardStore::save(const SavePlan &plan, const QStringList &tracks, const Progress &progress)
{
    const WriteHold hold(*this);
    if (!hold.held())
        return {false, false, busy(Notice::Message::NotCreated)};
    if (plan.refusal.isEmpty())
        aboutToChange({ChangeCause::Save, plan.number.text()});
    Saved saved = m_programs->save(plan, tracks, progress);
    if (saved.programWritten) {
        Q_EMIT programSaved(identity(), plan.number, plan.entries, plan.nameText);
        CardSession::instance().tell(identity(),
                                     {CardChange::ProgramSaved, plan.number, plan.entries, plan.nameText, {}});
        if (saved.notices.isEmpty()) {
            if (!m_work)
                workVerified({ChangeCause::Save, plan.number.text()});
            CardSession::instance().tell(identity(), CardChange::finished({ChangeCause::Save, plan.number.text()}));
        }
    }
    return saved;
}

CardStore::DeletePlan CardStore::prepareDelete(ProgramNumber number) const
{
    return m_programs->prepareDelete(number);
}

CardStore::Deleted CardStore::deleteProgram(ProgramNumber number)
{
    const WriteHold hold(*this);
    if (!hold.held())
        return {false, busy(Notice::Message::DeleteFailed, {}, number.value())};
    aboutToChange({ChangeCause::Delete, number.text()});
    Deleted deleted = m_programs->deleteProgram(number);
    if (deleted.deleted) {
        Q_EMIT programDeleted(identity(), number);
        CardSession::instance().tell(identity(), {CardChange::ProgramDeleted, number, 0, {}, {}});
        if (deleted.notices.isEmpty()) {
            if (!m_work)
                workVerified({ChangeCause::Delete, number.text()});
            CardSession::instance().tell(identity(), CardChange::finished({ChangeCause::Delete, number.text()}));
        }
    }
    return deleted;
}

bool CardStore::hasProgram(ProgramNumber number) const
{
    return m_programs->hasProgram(number);
}

CardStore::ProgramFiles CardStore::readProgramFiles() const
{
    return m_setup->readProgramFiles();
}

CardStore::Contents CardStore::readContents() const
{
    return m_setup->readContents(true);
}

CardStore::Contents CardStore::readSetup() const
{
    return m_setup->readContents(false);
}

CardErrors CardStore::writeFiles(const QList<FileWrite> &files, const Progress &progress)
{
    const WriteHold hold(*this);
    if (!hold.held())
        return busyFiles(files);
    if (!files.isEmpty())
        aboutToChange({ChangeCause::SetupFiles, {}});
    CardErrors failed = m_setup->writeFiles(files, progress);
    setupChanged();
    return failed;
}

CardErrors CardStore::removeFiles(const QList<FileWrite> &files)
{
    const WriteHold hold(*this);
    if (!hold.held())
        return busyFiles(files);
    if (!files.isEmpty())
        aboutToChange({ChangeCause::SetupFilesRemoved, {}});
    CardErrors left = m_setup->removeFiles(files);
    setupChanged();
    return left;
}

CardError CardStore::removeOrphanCommandFile(const QString &name)
{
    const WriteHold hold(*this);
    if (!hold.held())
        return CardError::of(CardError::Busy, name);
    aboutToChange({ChangeCause::CommandFileRemoved, name});
    const CardError error = m_setup->removeOrphanCommandFile(name);
    setupChanged();
    return error;
}

CardError CardStore::removeLeftovers()
{
    const WriteHold hold(*this);
    if (!hold.held())
        return CardError::of(CardError::Busy);
    return m_setup->removeLeftovers();
}

} // namespace Vexolo
