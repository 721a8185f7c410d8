#pragma once

#include "storage/cardlock.h"
#include "storage/cardread.h"
#include "storage/cardsession.h"
#include "storage/chosencard.h"
#include "storage/fileops.h"
#include "storage/mounts.h"
#include "storage/programnumber.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include <sys/types.h>

namespace Vexolo {

class TrackFiles;
class ListingFile;
class ProgramStore;
class SetupFiles;

// Reports how far a long piece of card work has come.
using Progress = std::function<void(qint64 done, qint64 total)>;

class CardStore;

// Told just before a store changes a card's setup files, so that the setup as it was can be kept (the
// fleet's history). It may read the card through the store; it must not write to it.
class SetupJournal
{
public:
    virtual ~SetupJournal() = default;
    virtual void beforeChange(const CardStore &store, const ChangeCause &what) = 0;
    // Told once a piece of work is written and verified, so that the setup as it left the card is kept too.
    virtual void afterChange(const CardStore &, const ChangeCause &) { }
};

// The one way to a card: every read and write of the program passes here. The card is the folder
// chosen last, remembered by its mount, device and inode (CardIdentity): a card pulled, or another
// mounted in its place, is no longer the card, and nothing is written to or deleted from it. The
// file system root and pseudo file systems (/proc, /sys, /dev...) are no card. Files are written
// only directly in the card root and in a "Programs" that is a real folder directly inside it, on
// the card's own mount. Every read is bounded, never follows a link and takes only regular files
// of the card's mount (cardread.h). Each operation reports what the window must tell as values
// (Notice: what happened, the names and number it concerns, the cause); the window words them. It tells what became of
// the program files, so that views of them (the programs at a glance) follow every Save and Delete, whoever asked for
// it. Its parts, one responsibility each (cardstore_p.h), reach the card only through the chosen card: the tracks and
// their command files, the listing, the program files, the whole setup.
class CardStore final : public QObject
{
    Q_OBJECT
    class WriteHold;

public:
    explicit CardStore(FileOps &ops = FileOps::system());
    // A store with the card of text chosen (as choose() takes it).
    explicit CardStore(const QString &text, FileOps &ops = FileOps::system());
    // A store on a card found already (a card call's own store, made on the card's worker).
    explicit CardStore(const CardChoice &choice, FileOps &ops = FileOps::system());
    ~CardStore() override;
    Q_DISABLE_COPY_MOVE(CardStore)

    // The journal of every store made from now on (none at first: tests and the benchmark keep no history).
    static void setDefaultJournal(SetupJournal *journal);
    // One piece of work made of several writes (a copy, a repair, a restore): the setup is recorded once, before
    // its first write, under what. Work within work belongs to the outer one.
    // The card is locked for other writers (cardlock.h) while the work lasts: each write of a store whose card another
    // program kept locked for the whole wait is refused with CardError::Busy.
    class Work
    {
    public:
        Work(CardStore &store, const ChangeCause &what);
        ~Work();
        Q_DISABLE_COPY_MOVE(Work)
        // Whether the card is this work's to write.
        bool held() const;

    private:
        CardStore &m_store;
        bool m_inner; // within another piece of work, which records for both
        std::unique_ptr<WriteHold> m_hold;
    };
    // Keeps the card locked for other writers from now until the store goes, so that what it reads before its writes
    // is still so when it writes (an apply's plan); false when another program kept it for the whole wait.
    bool holdForWrites() const;
    // Tells the journal that the work what is written and verified (an apply, a restore): the setup it left is kept.
    void workVerified(const ChangeCause &what) const;

    // Chooses the card named by the volume selector's text; an empty root when the text names no
    // existing absolute folder, or names "/" or a folder of a pseudo file system.
    void choose(const QString &text) { m_card.choose(text); }
    // Finds the card the text names, as choose would, and lists its tracks when asked; it touches no
    // store, so the window runs it on a thread of its own (a dead card blocks it), then adopts it.
    static CardChoice findCard(const QString &text, bool withTracks);
    void adopt(const CardChoice &choice) { m_card.adopt(choice); }
    QString root() const { return m_card.root(); }
    // The chosen card; not valid when none is chosen.
    CardIdentity identity() const { return m_card.identity(); }
    // The file system calls it makes: a card call's own store on this card makes them too.
    FileOps &ops() const { return m_ops; }
    // Whether the chosen card's folder now holds another card (unmounted and another mounted in its
    // place): the window tells the user (Ui::CardChangedMessage) and lists it only when chosen again.
    bool cardChanged() const { return m_card.cardChanged(); }

    // The card's tracks in card-list order. Names holding a control character cannot be written
    // into a record and cannot exist on the device's cards: they are left out.
    QStringList listTracks() const;

    // The command strings that tracks bring with them (the first line of each track's command
    // file, or its default string), with one "Could not read from file: " notice listing the
    // command files that exist but cannot be read.
    struct Lookup
    {
        QStringList commandStrings;
        Notices notices;
    };
    Lookup lookupCommands(const QStringList &trackNames, const Progress &progress = {}) const;

    // Load: the entries of program number whose tracks are on the card, and its name.
    struct Loaded
    {
        ReadStatus program = ReadStatus::Missing; // the program file's; Missing also when Programs is none
        QStringList names;
        QStringList commandStrings;
        QList<int> records; // each entry's record in the program file, from 1
        QString name;
        Notices notices;
    };
    Loaded loadProgram(ProgramNumber number, const Progress &progress = {}) const;

    // Save in two steps, so the window can ask its question in between: prepare checks the
    // strings and the card, save writes. What Load could not read back is refused: a program file
    // over ProgramFileLimit, a name over LineLimit bytes.
    struct SavePlan
    {
        Notices refusal; // the save stops here with these messages
        bool overwrites = false; // program number is on the card: the window asks before save
        QByteArray program;
        QByteArray name;
        ProgramNumber number = 0;
        qsizetype entries = 0;
        QString nameText; // the name as given
    };
    SavePlan prepareSave(ProgramNumber number, const QStringList &commandStrings, const QString &name) const;
    struct Saved
    {
        bool programWritten = false;
        bool nameWritten = false;
        Notices notices;
    };
    // Writes the program file and, when it was written, the name file; then the listing of tracks.
    Saved save(const SavePlan &plan, const QStringList &tracks, const Progress &progress = {});

    // Delete in two steps, for the question in between.
    struct DeletePlan
    {
        Notices refusal;
        bool exists = false; // the program file is there: the window asks before deleting it
    };
    DeletePlan prepareDelete(ProgramNumber number) const;
    struct Deleted
    {
        bool deleted = false;
        Notices notices;
    };
    Deleted deleteProgram(ProgramNumber number);

    // "RootDir.txt" for the tracks, on closing the window. Nothing is written unless the chosen
    // folder holds a track or already has its "Programs" folder, and nothing is said when the card
    // has gone. (Save writes the listing itself, with its own messages.)
    Notices writeListing(const QStringList &tracks, const Progress &progress = {});
    // The listing of the card's tracks written anew, as a repair asks it: a card gone or another in its place says
    // so, and "Programs" is made where it is missing.
    Notices rewriteListing();

    // Writes a card track's own command file, named after the track, holding commandString with
    // the track's own name in front. Refused when that name would itself be a track or names
    // anything but a regular file.
    Notices writeTrackCommand(const QString &trackName, const QString &commandString);

    // Copies MP3 files from the computer onto the card root, each under its own file name, or under the name of the
    // card's track it replaces whatever its letter case. The room for all of them is checked before anything is
    // written; each goes to a temporary name and is renamed into place only when whole, so a failure or a cancel
    // leaves no half track and the old track as it was. keepGoing is asked between chunks: false stops there.
    struct TrackCopy
    {
        QString source; // a path on the computer, or the track's name on from
        QString name; // the track's name on the card
        const CardStore *from = nullptr; // another card, read through its own store
    };
    struct Copied
    {
        QStringList tracks; // the tracks now on the card: those there already, then those copied, in the order given
        Notices notices;
        bool cancelled = false;
    };
    Copied copyTracksIn(const QList<TrackCopy> &copies, const Progress &progress = {},
                        const std::function<bool()> &keepGoing = {});

    // The command string a track brings with it, as the lookup finds it, from its own command file alone (one small
    // read, for a tooltip); its default string when it has none or it cannot be read.
    QString trackCommandString(const QString &trackName) const;

    // For the timeline, the preview and the cue sheet: a track directly in the card root opened for
    // reading only, never blocking, and only when it is a regular file; not open otherwise.
    Fd openTrack(const QString &trackName) const;
    // Whether program number's file is on the card.
    bool hasProgram(ProgramNumber number) const;

private:
    // Tells the journal, once per piece of work, before a write.
    void aboutToChange(const ChangeCause &what);
    // Tells every view of the card that its setup may have changed, after a write.
    void setupChanged();

    ChosenCard m_card;
    FileOps &m_ops;
    // The card's write lock while a write, a piece of work or a hold lasts; how many of them are under way.
    mutable std::unique_ptr<CardWriteLock> m_lock;
    mutable int m_writing = 0;
    mutable std::unique_ptr<WriteHold> m_kept; // holdForWrites
    SetupJournal *m_journal = nullptr;
    std::optional<ChangeCause> m_work; // the piece of work under way
    bool m_workRecorded = false;
    // The parts, one responsibility each; made in the constructor, so no member depends on the order.
    std::unique_ptr<TrackFiles> m_tracks;
    std::unique_ptr<ListingFile> m_listing;
    std::unique_ptr<ProgramStore> m_programs;
    std::unique_ptr<SetupFiles> m_setup;

    // Whole setups, for checking a card, comparing two and copying one onto another. Reads are
    // bounded and take regular files only; writes keep every guarantee of Save.
public:
    static constexpr int ProgramCount = ProgramNumber::Count;
    // A command file holds one string of at most 79 characters: one larger than the longest line read
    // is no command file the program wrote, and a card full of big ones costs no more than honest ones.
    static constexpr qint64 CommandFileLimit = LineLimit;
    // A name file is read whole up to this size; Load takes its first line.
    static constexpr qint64 NameFileLimit = 64 * 1024;
    enum class Folder { Root, Programs };
    // One file of the card as read: its name as shown and as on the card, and its bytes.
    struct CardFile
    {
        QString name;
        QByteArray rawName;
        ReadStatus status = ReadStatus::Missing;
        QByteArray bytes;
        CardError error; // Unreadable: why
    };
    struct ProgramFiles
    {
        bool readable = false; // the chosen card could be opened (and listed)
        CardError error; // why not, where the system told
        bool programsNoFolder = false; // an item "Programs" is there but is no folder of the card
        std::array<CardFile, ProgramCount> programs; // Program0.txt .. Program9.txt
        std::array<CardFile, ProgramCount> names; // Program0.adv .. Program9.adv
    };
    // The ten programs and their name files, read in one go.
    ProgramFiles readProgramFiles() const;

    enum class ListingState { Missing, Current, Stale };
    struct Contents : ProgramFiles
    {
        QStringList tracks; // in card-list order
        QList<CardFile> commandFiles; // every root file that is a track's command file, its track there or not
        ListingState listing = ListingState::Missing;
        QByteArray listingBytes; // the listing as it is (readSetup() only)
        QStringList leftovers; // temporary files of killed writers, as paths from the card root
        // Root items named as tracks whose names hold a control character (a line break, a tab): no track of the card,
        // as the card list and the listing take it, but named wherever tracks are compared or copied.
        QStringList controlNamedTracks;
        // Leftovers and command files that are no regular file (a link, a folder, a FIFO), as paths from the card
        // root: the program removes none of them, so no repair is offered for them.
        QStringList notFiles;
    };
    Contents readContents() const;
    // The same files without judging the listing (which reads every command file a second time): listing is left
    // Missing, and listingBytes holds the listing as it is, up to a program file's bound. For keeping a setup.
    Contents readSetup() const;
    // The track names whose command file fileName is (usually one); empty for any other name, a
    // track's own name included.
    static QStringList tracksOfCommandFile(const QString &fileName);
    // The value of a name file or a command file as Load and the lookup read it: its first line.
    static QString firstLine(const QByteArray &bytes);

    struct FileWrite
    {
        Folder folder = Folder::Programs;
        QString name;
        QByteArray bytes;
    };
    // Whether file is one of the card's own setup files, which alone writeFiles writes and removeFiles removes.
    static bool isSetupFile(const FileWrite &file);
    // Replaces each file safely. Only the card's own files are written: the ten programs, their
    // names and the listing in "Programs", command files (never a track) in the root. Returns each
    // file that could not be written, why, with its path from the card's root; all of them when the card is gone.
    CardErrors writeFiles(const QList<FileWrite> &files, const Progress &progress = {});
    // Removes the card's own setup files named (the bytes are not used): programs, names and the listing in
    // "Programs", command files in the root; a file already missing counts as removed. Returns each file that is
    // still there, and why.
    CardErrors removeFiles(const QList<FileWrite> &files);
    // Removes a command file of the root whose track is not on the card; why not (Refused: it is no such file;
    // ENOENT: it was gone already) when it was not removed.
    CardError removeOrphanCommandFile(const QString &name);
    // Removes the temporary files of killed writers from the root and "Programs"; the first that failed, and why.
    CardError removeLeftovers();

Q_SIGNALS:
    // A program file of the card written by save(), with its entries and the name it was given.
    void programSaved(const Vexolo::CardIdentity &card, Vexolo::ProgramNumber number, qsizetype entries,
                      const QString &name);
    // A track's own command file written by writeTrackCommand().
    void trackCommandWritten(const Vexolo::CardIdentity &card, const QString &trackName);
    // A program file of the card deleted by deleteProgram().
    void programDeleted(const Vexolo::CardIdentity &card, Vexolo::ProgramNumber number);
};

} // namespace Vexolo
