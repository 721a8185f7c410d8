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

// Whether the text (ASCII, any case) is at index at of bytes.
bool hasAsciiAt(QByteArrayView bytes, qsizetype at, QByteArrayView text)
{
    if (at < 0 || at + text.size() > bytes.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (asciiLower(bytes[at + i]) != text[i])
            return false;
    }
    return true;
}

// Whether the text (ASCII, any case) is anywhere in bytes.
bool containsAscii(QByteArrayView bytes, QByteArrayView text)
{
    for (qsizetype at = bytes.indexOf(text.front()); at >= 0; at = bytes.indexOf(text.front(), at + 1)) {
        if (hasAsciiAt(bytes, at, text))
            return true;
    }
    return false;
}

} // namespace

Notice plain(Notice::Message message, const QStringList &names, qint64 count, const CardError &error)
{
    return {Notice::Plain, message, names, count, error};
}

Notice caution(Notice::Message message, int error, const QString &path)
{
    return {Notice::Caution, message, {}, 0, CardError::fromErrno(error, path)};
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
// folds to one of theirs.
bool isTrackFileName(QByteArrayView name)
{
    return hasAsciiAt(name, name.size() - 4, ".mp3") && std::none_of(name.begin(), name.end(), [](char byte) {
               return static_cast<unsigned char>(byte) < 32 || byte == 127;
           });
}

// Adds the name, folded, to the names that may be command files: every command file name holds
// ".adv" where its track's first ".mp3" was.
void addCommandFileCandidate(QSet<QString> &present, QByteArrayView name)
{
    if (containsAscii(name, ".adv"))
        present.insert(decodeFileName(name).toCaseFolded());
}

// The tracks of the open card root, in card-list order.
QStringList tracksAt(int root, QSet<QString> *withCommandFile)
{
    NameBytes names;
    QSet<QString> candidates;
    readFolder(root, [&names, &candidates, withCommandFile](QByteArrayView name) {
        if (isTrackFileName(name))
            names.append(name);
        else if (withCommandFile)
            addCommandFileCandidate(candidates, name);
    });
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
