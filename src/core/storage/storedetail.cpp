#include "storage/cardstore_p.h"

#include "card/tracknames.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardtext.h"

#include <algorithm>

namespace Vexolo::StoreDetail {

namespace {

// How many items pass between two progress reports.
constexpr qsizetype ProgressStep = 256;

} // namespace

Notice plain(Notice::Message message, const QStringList &names, qint64 count, const CardError &error)
{
    return {Notice::Plain, message, names, count, error};
}

Notice caution(Notice::Message message, int error, const QString &path)
{
    return {Notice::Caution, message, {}, {}, CardError::fromErrno(error, path)};
}

QByteArray encoded(const QString &name)
{
    return encodeFileName(name);
}

char asciiLower(char byte)
{
    return byte >= 'A' && byte <= 'Z' ? char(byte + 32) : byte;
}

void report(const Progress &progress, qsizetype done, qsizetype total)
{
    if (progress && (done % ProgressStep == 0 || done == total))
        progress(done, total);
}

// What the tests on decoded names ask, asked of the card's bytes: ".mp3", ".adv" and the control
// characters are ASCII, an ASCII byte always decodes to itself alone, and no other character
// folds to one of theirs (nor does any other byte, read as Latin-1).
bool isTrackFileName(QByteArrayView name)
{
    return QLatin1StringView(name.data(), name.size()).endsWith(QLatin1StringView(".mp3"), Qt::CaseInsensitive)
        && std::none_of(name.begin(), name.end(),
                        [](char byte) { return static_cast<unsigned char>(byte) < 32 || byte == 127; });
}

// Adds the name, folded, to the names that may be command files: every command file name holds
// ".adv" where its track's first ".mp3" was.
void addCommandFileCandidate(QSet<QString> &present, QByteArrayView name)
{
    if (QLatin1StringView(name.data(), name.size()).contains(QLatin1StringView(".adv"), Qt::CaseInsensitive))
        present.insert(decodeFileName(name).toCaseFolded());
}

// The tracks of the open card root, in card-list order.
QStringList tracksAt(int root, FileOps &ops, QSet<QString> *withCommandFile, CardError *error)
{
    NameBytes names;
    QSet<QString> candidates;
    const CardError read = readFolder(root, ops, [&names, &candidates, withCommandFile](QByteArrayView name) {
        if (isTrackFileName(name))
            names.append(name);
        else if (withCommandFile)
            addCommandFileCandidate(candidates, name);
    });
    if (error)
        *error = read;
    QStringList tracks = sortTrackNames(names);
    if (withCommandFile && !candidates.isEmpty()) {
        for (const QString &track : std::as_const(tracks)) {
            const QString fileName = trackCommandFileName(track);
            if (isPlainFileName(fileName) && candidates.contains(fileName.toCaseFolded()))
                withCommandFile->insert(track);
        }
    }
    return tracks;
}

} // namespace Vexolo::StoreDetail
