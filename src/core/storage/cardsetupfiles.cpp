#include "storage/cardstore_p.h"

#include "card/tracknames.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardtext.h"
#include "storage/safefile.h"

#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The card store's whole-setup reads and writes, for checking a card, comparing two and copying one onto
// another: every program and name file, every command file, the listing's state, the leftovers.

namespace Vexolo {

using namespace StoreDetail;

namespace {

// The whole file, byte for byte, for comparing and copying, never more than limit bytes.
CardStore::CardFile readCardFile(int folder, const QByteArray &rawName, qint64 limit, FileOps &ops)
{
    CardStore::CardFile file {decodeFileName(rawName), rawName, ReadStatus::Missing, {}, {}};
    if (folder == -1)
        return file;
    CardRead read = readWhole(folder, rawName.constData(), limit, ops);
    file.status = read.status;
    file.bytes = std::move(read.bytes);
    file.error = read.error;
    return file;
}

// Why the chosen card cannot be opened: gone, or another card in its place.
CardError cardGone(const ChosenCard &card)
{
    const CardError error = card.noCard().error;
    return error.failed() ? error : CardError::of(CardError::Gone);
}

bool isProgramsFile(const QString &name)
{
    for (const ProgramNumber number : ProgramNumber::all()) {
        if (name == programFileName(number) || name == programNameFileName(number))
            return true;
    }
    return name == RootDirFileName;
}

} // namespace

CardStore::ProgramFiles SetupFiles::readProgramFiles() const
{
    const Fd root = openRoot();
    const Fd programs = root.isOpen() ? openPrograms(root.get(), false) : Fd();
    return programFilesAt(root.get(), programs.get());
}

CardStore::ProgramFiles SetupFiles::programFilesAt(int root, int programs) const
{
    CardStore::ProgramFiles files;
    files.readable = root != -1;
    if (!files.readable) {
        files.error = cardGone(m_card);
        return files;
    }
    struct stat info;
    files.programsNoFolder = programs == -1 && hasItem(root, ProgramsFolderName, &info);
    for (const ProgramNumber number : ProgramNumber::all()) {
        const int n = number.value();
        files.programs[n] = readCardFile(programs, encodeFileName(programFileName(number)), ProgramFileLimit, m_ops);
        files.names[n]
            = readCardFile(programs, encodeFileName(programNameFileName(number)), CardStore::NameFileLimit, m_ops);
    }
    return files;
}

QStringList CardStore::tracksOfCommandFile(const QString &fileName)
{
    // A command file holds ".adv" where its track's first ".mp3" was, and never replaces a track.
    QStringList tracks;
    if (isTrackName(fileName))
        return tracks;
    const QString adv = QStringLiteral(".adv");
    for (qsizetype at = fileName.indexOf(adv, 0, NameCase); at >= 0;
         at = fileName.indexOf(adv, at + adv.size(), NameCase)) {
        const QString track = QString(fileName).replace(at, adv.size(), Mp3Extension);
        if (isTrackName(track) && indexOfMp3(track) == at)
            tracks.append(track);
    }
    return tracks;
}

QString CardStore::firstLine(const QByteArray &bytes)
{
    // CR and LF never occur inside a multi-byte UTF-8 character, so the line can be cut first.
    const auto end = std::find_if(bytes.cbegin(), bytes.cend(), [](char c) { return c == '\r' || c == '\n'; });
    return decodeCardText(bytes.first(end - bytes.cbegin()));
}

CardStore::Contents SetupFiles::readContents(bool judgeListing) const
{
    CardStore::Contents contents;
    const Fd root = openRoot();
    const Fd programs = root.isOpen() ? openPrograms(root.get(), false) : Fd();
    static_cast<CardStore::ProgramFiles &>(contents) = programFilesAt(root.get(), programs.get());
    if (!contents.readable)
        return contents;
    // One read of the root gives the tracks, as listTracks takes them, and the other items. A folder that cannot be
    // read whole cannot be judged.
    const FolderRead items = readFolder(root.get(), m_ops);
    const FolderRead inPrograms = programs.isOpen() ? readFolder(programs.get(), m_ops) : FolderRead();
    if (items.error.failed() || inPrograms.error.failed()) {
        contents.readable = false;
        contents.error = items.error.failed() ? items.error : inPrograms.error;
        contents.error.path = items.error.failed() ? QString() : ProgramsFolderName;
        return contents;
    }
    NameBytes trackNames;
    QSet<QString> candidates;
    for (const QByteArray &item : items.names) {
        if (isTrackFileName(item))
            trackNames.append(item);
        else if (QLatin1StringView(item).endsWith(QLatin1StringView(".mp3"), Qt::CaseInsensitive))
            contents.controlNamedTracks.append(decodeFileName(item));
        addCommandFileCandidate(candidates, item);
        const QString name = decodeFileName(item);
        struct stat info;
        const bool regular
            = ::fstatat(root.get(), item.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISREG(info.st_mode);
        if (!regular && !CardStore::tracksOfCommandFile(name).isEmpty())
            contents.notFiles.append(name);
        if (isLeftoverTemporary(item))
            (regular ? contents.leftovers : contents.notFiles).append(name);
        if (!CardStore::tracksOfCommandFile(name).isEmpty())
            contents.commandFiles.append(readCardFile(root.get(), item, CardStore::CommandFileLimit, m_ops));
    }
    contents.tracks = sortTrackNames(trackNames);

    if (!programs.isOpen())
        return contents;
    for (const QByteArray &item : inPrograms.names) {
        struct stat info;
        const bool regular
            = ::fstatat(programs.get(), item.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISREG(info.st_mode);
        if (isLeftoverTemporary(item))
            (regular ? contents.leftovers : contents.notFiles).append(ProgramsFolderName + u'/' + decodeFileName(item));
    }
    if (!judgeListing) {
        const CardStore::CardFile old
            = readCardFile(programs.get(), encodeFileName(RootDirFileName), ProgramFileLimit, m_ops);
        if (old.status == ReadStatus::Read)
            contents.listingBytes = old.bytes;
        return contents;
    }
    // A listing larger than the one the tracks make is out of date without being read whole.
    const QByteArray listing
        = formatListing(m_tracks.lookupAt(root.get(), contents.tracks, {}, &candidates).commandStrings);
    const CardStore::CardFile old
        = readCardFile(programs.get(), encodeFileName(RootDirFileName), listing.size(), m_ops);
    if (old.status != ReadStatus::Missing)
        contents.listing = old.status == ReadStatus::Read && old.bytes == listing ? CardStore::ListingState::Current
                                                                                  : CardStore::ListingState::Stale;
    return contents;
}

bool CardStore::isSetupFile(const FileWrite &file)
{
    return file.folder == CardStore::Folder::Programs
        ? isProgramsFile(file.name)
        : isPlainFileName(file.name) && !CardStore::tracksOfCommandFile(file.name).isEmpty();
}

namespace {

QString pathOf(const CardStore::FileWrite &file)
{
    return file.folder == CardStore::Folder::Programs ? programsPath(file.name) : file.name;
}

} // namespace

// Opens the card's root, and "Programs" when a file there is named: why a folder is not there, when it is not.
SetupFiles::Folders SetupFiles::openFolders(const QList<CardStore::FileWrite> &files, bool create) const
{
    Folders folders;
    folders.root = openRoot();
    if (!folders.root.isOpen()) {
        folders.rootError = cardGone(m_card);
        folders.programsError = folders.rootError;
        return folders;
    }
    if (std::none_of(files.cbegin(), files.cend(),
                     [](const CardStore::FileWrite &file) { return file.folder == CardStore::Folder::Programs; }))
        return folders;
    int error = 0;
    folders.programs = openPrograms(folders.root.get(), create, &error);
    struct stat info;
    if (!folders.programs.isOpen())
        folders.programsError = error != 0 ? CardError::fromErrno(error, ProgramsFolderName)
            : hasItem(folders.root.get(), ProgramsFolderName, &info)
            ? CardError::of(CardError::NoFolder, ProgramsFolderName)
            : CardError();
    return folders;
}

CardErrors SetupFiles::removeFiles(const QList<CardStore::FileWrite> &files)
{
    CardErrors left;
    const Folders folders = openFolders(files, false);
    for (const CardStore::FileWrite &file : files) {
        const bool inPrograms = file.folder == CardStore::Folder::Programs;
        const int folder = inPrograms ? folders.programs.get() : folders.root.get();
        struct stat info;
        const bool there = folder != -1 && hasItem(folder, file.name, &info);
        // Only a regular file of the card's own goes; a folder or a link of that name stays and is named. A file in a
        // "Programs" that is not there is gone already.
        CardError error;
        if (!CardStore::isSetupFile(file))
            error = CardError::of(CardError::Refused);
        else if (folder == -1 && (!folders.root.isOpen() || !inPrograms))
            error = folders.rootError;
        else if (there && !S_ISREG(info.st_mode))
            error = CardError::of(CardError::NotAFile);
        else if (there && m_ops.unlinkat(folder, encodeFileName(file.name).constData(), 0) != 0)
            error = CardError::fromErrno(errno);
        if (error.failed())
            left.append({error.cause, error.number, pathOf(file)});
    }
    return left;
}

CardErrors SetupFiles::writeFiles(const QList<CardStore::FileWrite> &files, const Progress &progress)
{
    CardErrors failed;
    const Folders folders = openFolders(files, true);
    if (folders.root.isOpen())
        removeLeftoverTemporaries(folders.root.get(), m_ops);
    if (folders.programs.isOpen())
        removeLeftoverTemporaries(folders.programs.get(), m_ops);
    for (qsizetype i = 0; i < files.size(); ++i) {
        report(progress, i, files.size());
        const CardStore::FileWrite &file = files[i];
        const bool inPrograms = file.folder == CardStore::Folder::Programs;
        const int folder = inPrograms ? folders.programs.get() : folders.root.get();
        CardError error;
        int number = 0;
        if (!CardStore::isSetupFile(file))
            error = CardError::of(CardError::Refused);
        else if (folder == -1)
            error = !inPrograms                  ? folders.rootError
                : folders.programsError.failed() ? folders.programsError
                                                 : CardError::of(CardError::NoFolder, ProgramsFolderName);
        else if (!writeFileSafely(folder, file.name, file.bytes, m_ops, &number))
            error = CardError::fromErrno(number);
        if (error.failed())
            failed.append({error.cause, error.number, pathOf(file)});
    }
    report(progress, files.size(), files.size());
    return failed;
}

CardError SetupFiles::removeOrphanCommandFile(const QString &name)
{
    const Fd root = openRoot();
    if (!root.isOpen())
        return {cardGone(m_card).cause, 0, name};
    const QStringList owners = CardStore::tracksOfCommandFile(name);
    if (owners.isEmpty() || !isPlainFileName(name))
        return CardError::of(CardError::Refused, name);
    // Its track may have come back since the check.
    CardError listed;
    const QStringList tracks = tracksAt(root.get(), m_ops, nullptr, &listed);
    if (listed.failed())
        return {listed.cause, listed.number, name};
    for (const QString &owner : owners) {
        if (tracks.contains(owner, NameCase))
            return CardError::of(CardError::Refused, name);
    }
    // Removed meanwhile by someone else: not by this repair.
    struct stat info;
    if (!hasItem(root.get(), name, &info))
        return CardError::fromErrno(ENOENT, name);
    if (!S_ISREG(info.st_mode))
        return {CardError::NotAFile, S_ISLNK(info.st_mode) ? ELOOP : 0, name};
    if (m_ops.unlinkat(root.get(), encodeFileName(name).constData(), 0) != 0)
        return CardError::fromErrno(errno, name);
    return {};
}

CardError SetupFiles::removeLeftovers()
{
    const Fd root = openRoot();
    if (!root.isOpen())
        return cardGone(m_card);
    const CardError inRoot = removeLeftoverTemporaries(root.get(), m_ops);
    const Fd programs = openPrograms(root.get(), false);
    CardError inPrograms = programs.isOpen() ? removeLeftoverTemporaries(programs.get(), m_ops) : CardError();
    if (inPrograms.failed())
        inPrograms.path = inPrograms.path.isEmpty() ? ProgramsFolderName : programsPath(inPrograms.path);
    return inRoot.failed() ? inRoot : inPrograms;
}

} // namespace Vexolo
