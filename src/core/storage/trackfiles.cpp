#include "storage/cardstore_p.h"

#include "card/tracknames.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardtext.h"
#include "storage/safefile.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vexolo {

using namespace StoreDetail;

namespace {

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

} // namespace

QStringList TrackFiles::listTracks() const
{
    const Fd root = openRoot();
    return root.isOpen() ? tracksAt(root.get()) : QStringList();
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
    int error = 0;
    if (!writeFileSafely(root.get(), name, encodeCardText(commandStringOfTrack(commandString, trackName)), m_ops,
                         &error))
        return {{failed.kind, failed.message, failed.names, 0, CardError::fromErrno(error, name)}};
    return {};
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
