#pragma once

#include "commands/switching.h"

#include <QByteArrayView>
#include <QHash>
#include <QStringList>

// A track's playing time, from its MPEG headers (Xing or VBRI where there is one) and its tags,
// without decoding the sound. Lives in its own library, so only what needs it links TagLib.
namespace Vexolo {

// At most this much of a file is read, and at most MaxBlock in one piece: a huge tag or a file
// that holds no MPEG frame costs a bounded read, never the whole file.
inline constexpr qint64 Mp3ReadBudget = 4 * 1024 * 1024;
inline constexpr qint64 Mp3MaxBlock = 256 * 1024;
// A track is taken to end here at the latest: no card of the device holds a larger file (FAT32), and the
// search for the last frame walks back from the end, one small step at a time, even past the read budget.
inline constexpr qint64 Mp3MaxSize = 4LL * 1024 * 1024 * 1024;

// The length of the MP3 open for reading at fd (a regular file); none when it cannot be read.
TrackLength readMp3Length(int fd);
// The same for an MP3 held in memory.
TrackLength readMp3Length(QByteArrayView bytes);

class CardStore;
// The lengths of the card's tracks, each opened through the store and read once however often it is named; none
// for a track that cannot be opened or read. The card's own work: it runs where the card may be slow.
QHash<QString, TrackLength> readTrackLengths(const CardStore &store, const QStringList &trackNames);

} // namespace Vexolo
