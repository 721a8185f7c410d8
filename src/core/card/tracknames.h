#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Track names and the card's track listing. One letter-case rule holds for the whole program:
// SD cards often carry names such as TRACK01.MP3, so ".mp3" is matched regardless of case and
// the card list is ordered by a case-insensitive comparison.
namespace Vexolo {

inline constexpr Qt::CaseSensitivity NameCase = Qt::CaseInsensitive;
inline const QString Mp3Extension = QStringLiteral(".mp3");
// The largest track a card's FAT file system holds.
inline constexpr qint64 TrackSizeLimit = (qint64(1) << 32) - 1;

// Index of the first ".mp3" in text, -1 when there is none.
qsizetype indexOfMp3(const QString &text);
// Whether an item of the card root is a track: its name ends in ".mp3" and holds no control character.
bool isTrackName(const QString &name);
// The text before the first ".mp3"; empty when there is none.
QString ExtractFilename(const QString &trackName);
// The text up to and including the first ".mp3"; empty when there is none.
QString upToFirstMp3(const QString &text);
// A track name as the user sees it: bytes of the card's name that are no text show as U+FFFD.
QString shownName(const QString &trackName);
// The name with each control character (a line break, a tab) as its picture (U+2400 on), so it shows on one line.
QString controlsShown(QString name);
// The tracks among names, in the card list's order; ties keep their order in names.
QStringList sortTracks(QStringList names);
// Names that are all tracks, in the card list's order; ties keep their order in names.
QStringList sortTrackNames(QStringList names);
// Names as the card holds them, one after another, without a string each.
struct NameBytes
{
    QByteArray bytes;
    QList<qsizetype> ends; // where each name ends in bytes
    void append(QByteArrayView name)
    {
        bytes.append(name);
        ends.append(bytes.size());
    }
};
// The same, from the card's bytes, decoded (cardtext.h).
QStringList sortTrackNames(const NameBytes &names);

// Whether name can only name an item directly in the card root: not empty, not "." or "..", and
// without "/", "\" or NUL. Names from files on the card are checked with it before any use.
bool isPlainFileName(const QString &name);

} // namespace Vexolo
