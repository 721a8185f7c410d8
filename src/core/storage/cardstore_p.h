#pragma once

#include "storage/cardstore.h"

#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <QStringList>

// Shared by the card store's own files; no part of its interface.
namespace Vexolo::StoreDetail {

// The names a message lists at most, so it fits the screen.
inline constexpr qsizetype NamesShown = 20;

Notice plain(Notice::Message message, const QStringList &names = {}, qint64 count = 0, const CardError &error = {});
// A failed write of path (from the card's root) with the system's error number.
Notice caution(Notice::Message message, int error = 0, const QString &path = {});

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
    Notice notice(Notice::Message message) const { return plain(message, names, total); }
};

QByteArray encoded(const QString &name);
char asciiLower(char byte);
// Reports progress every few hundred items, and at the end.
void report(const Progress &progress, qsizetype done, qsizetype total);
// Whether a name of the card root, as bytes, is a track's: it ends in ".mp3" (any case) and holds no control
// character.
bool isTrackFileName(QByteArrayView name);
// Adds the name, folded, to the names that may be command files.
void addCommandFileCandidate(QSet<QString> &present, QByteArrayView name);
// The tracks of the open card root, in card-list order; with those among them that have a command file when asked,
// from the same read of the folder; why the folder could not be read whole in error, when asked.
QStringList tracksAt(int root, FileOps &ops, QSet<QString> *withCommandFile = nullptr, CardError *error = nullptr);

} // namespace Vexolo::StoreDetail

namespace Vexolo {

// The card store's parts, each one responsibility, each reaching the card through the chosen card
// alone and its files through the file operations.
class StorePart
{
protected:
    StorePart(const ChosenCard &card, FileOps &ops)
        : m_card(card)
        , m_ops(ops)
    {
    }
    Fd openRoot() const { return m_card.openRoot(); }
    Notice noCard() const { return m_card.noCard(); }
    Fd openPrograms(int root, bool create, int *error = nullptr) const
    {
        return m_card.openPrograms(root, create, error);
    }

    const ChosenCard &m_card;
    FileOps &m_ops;
};

// The tracks of the card and their own command files: listing, lookup, writing one, opening a track.
class TrackFiles final : public StorePart
{
public:
    TrackFiles(const ChosenCard &card, FileOps &ops)
        : StorePart(card, ops)
    {
    }
    QStringList listTracks() const;
    CardStore::Lookup lookupCommands(const QStringList &trackNames, const Progress &progress) const;
    // The work on a root already open and checked; root < 0 when there is none. The names of root that may
    // be command files are read from it unless candidates holds them.
    CardStore::Lookup lookupAt(int root, const QStringList &trackNames, const Progress &progress,
                               const QSet<QString> *candidates = nullptr) const;
    Notices writeTrackCommand(const QString &trackName, const QString &commandString);
    QString trackCommandString(const QString &trackName) const;
    CardStore::Copied copyTracksIn(const QList<CardStore::TrackCopy> &copies, const Progress &progress,
                                   const std::function<bool()> &keepGoing);
    Fd openTrack(const QString &trackName) const;
};

// "RootDir.txt", the listing of the tracks with their settings.
class ListingFile final : public StorePart
{
public:
    ListingFile(const ChosenCard &card, FileOps &ops, const TrackFiles &tracks)
        : StorePart(card, ops)
        , m_tracks(tracks)
    {
    }
    Notices writeListing(const QStringList &tracks, const Progress &progress);
    Notices rewriteListing();
    // On folders already open; error: why programs could not be opened, when it is -1.
    Notices listingAt(int root, int programs, const QStringList &tracks, const Progress &progress, int error = 0);

private:
    const TrackFiles &m_tracks;
};

// The program files and their names: Load, Save and Delete.
class ProgramStore final : public StorePart
{
public:
    ProgramStore(const ChosenCard &card, FileOps &ops, ListingFile &listing)
        : StorePart(card, ops)
        , m_listing(listing)
    {
    }
    CardStore::Loaded loadProgram(ProgramNumber number, const Progress &progress) const;
    CardStore::SavePlan prepareSave(ProgramNumber number, const QStringList &commandStrings, const QString &name) const;
    CardStore::Saved save(const CardStore::SavePlan &plan, const QStringList &tracks, const Progress &progress);
    CardStore::DeletePlan prepareDelete(ProgramNumber number) const;
    CardStore::Deleted deleteProgram(ProgramNumber number);
    bool hasProgram(ProgramNumber number) const;

private:
    ListingFile &m_listing;
};

// Whole setups, for checking a card, comparing two and copying one onto another.
class SetupFiles final : public StorePart
{
public:
    SetupFiles(const ChosenCard &card, FileOps &ops, const TrackFiles &tracks)
        : StorePart(card, ops)
        , m_tracks(tracks)
    {
    }
    CardStore::ProgramFiles readProgramFiles() const;
    CardStore::Contents readContents(bool judgeListing) const;
    CardErrors writeFiles(const QList<CardStore::FileWrite> &files, const Progress &progress);
    CardErrors removeFiles(const QList<CardStore::FileWrite> &files);
    CardError removeOrphanCommandFile(const QString &name);
    CardError removeLeftovers();

private:
    // From folders already open and checked; root or programs < 0 when there is none.
    CardStore::ProgramFiles programFilesAt(int root, int programs) const;
    struct Folders
    {
        Fd root;
        Fd programs;
        CardError rootError; // why a folder is not open
        CardError programsError;
    };
    Folders openFolders(const QList<CardStore::FileWrite> &files, bool create) const;

    const TrackFiles &m_tracks;
};

} // namespace Vexolo
