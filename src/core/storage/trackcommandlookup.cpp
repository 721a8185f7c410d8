#include "storage/trackcommandlookup.h"

#include "card/tracknames.h"
#include "storage/cardfiles.h"

#include <QFile>
#include <QSet>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace Vexolo {

namespace {

enum class ReadOutcome { Missing, Failed, Read };

// Reads the first line of a command file with plain system calls (a big card means thousands of
// these), and only up to the first line end: a stray huge file must not be loaded whole.
ReadOutcome readFirstLine(int folder, const QString &path, QByteArray *line)
{
    line->clear();
    const int fd = ::openat(folder, QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? ReadOutcome::Missing : ReadOutcome::Failed;
    char buffer[4096];
    ReadOutcome outcome = ReadOutcome::Read;
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            outcome = ReadOutcome::Failed; // a folder of that name, an I/O error
            break;
        }
        const char *end = std::find_if(buffer, buffer + count, [](char c) { return c == '\r' || c == '\n'; });
        line->append(buffer, end - buffer);
        if (count == 0 || end != buffer + count)
            break;
    }
    ::close(fd);
    return outcome;
}

// folder: an open descriptor of the card root, or AT_FDCWD with names made absolute.
TrackCommandLookup lookup(const QString &cardRoot, const QString &trackName, const QSet<QString> *present, int folder)
{
    TrackCommandLookup result;
    result.commandString = defaultCommandString(trackName);
    result.fileName = trackCommandFileName(trackName);
    // A track name without ".mp3" has no command file; one with "/" could reach outside the root.
    if (cardRoot.isEmpty() || !isPlainFileName(result.fileName))
        return result;
    // Folded names: on a card whose file system ignores case, TRACK01.ADV answers to TRACK01.adv.
    if (present && !present->contains(result.fileName.toCaseFolded()))
        return result;

    QByteArray line;
    const QString path = folder == AT_FDCWD ? cardRoot + u'/' + result.fileName : result.fileName;
    switch (readFirstLine(folder, path, &line)) {
    case ReadOutcome::Missing:
        break;
    case ReadOutcome::Failed:
        result.readFailed = true;
        break;
    case ReadOutcome::Read:
        result.commandString = readSingleValue(line);
        break;
    }
    return result;
}

} // namespace

TrackCommandLookup lookupTrackCommand(const QString &cardRoot, const QString &trackName)
{
    return lookup(cardRoot, trackName, nullptr, AT_FDCWD);
}

QList<TrackCommandLookup> lookupTrackCommands(const QString &cardRoot, const QStringList &trackNames)
{
    // Plain system calls: on a card of 10,000 tracks every call per file counts.
    QSet<QString> present;
    const int folder
        = cardRoot.isEmpty() ? -1 : ::open(QFile::encodeName(cardRoot).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        if (DIR *listing = ::fdopendir(::dup(folder))) {
            while (const dirent *entry = ::readdir(listing)) {
                const QByteArrayView name(entry->d_name);
                // Every command file name holds ".adv" where its track's first ".mp3" was.
                if (QLatin1StringView(name).contains(QLatin1StringView(".adv"), Qt::CaseInsensitive))
                    present.insert(QFile::decodeName(entry->d_name).toCaseFolded());
            }
            ::closedir(listing);
        }
    }
    QList<TrackCommandLookup> results;
    results.reserve(trackNames.size());
    for (const QString &trackName : trackNames)
        results.append(folder >= 0 ? lookup(cardRoot, trackName, &present, folder)
                                   : lookup(cardRoot, trackName, nullptr, AT_FDCWD));
    if (folder >= 0)
        ::close(folder);
    return results;
}

} // namespace Vexolo
