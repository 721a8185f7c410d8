#pragma once

#include <QByteArrayView>

// What the first bytes of a file say about it as MPEG audio, read before anything else of it.
namespace Vexolo {

// The bytes of a file's start that tell whether it is MPEG audio: an ID3v2 header, or a frame header.
inline constexpr qsizetype MpegStartSize = 10;

// The size of the ID3v2 tag that header (a file's first bytes) opens, its own ten bytes included; 0 when it opens none.
qint64 id3TagSize(QByteArrayView header);
// Whether a file starting with head is MPEG audio: an ID3v2 tag, or the sync and a valid header of an MPEG frame.
bool startsAsMpegAudio(QByteArrayView head);

} // namespace Vexolo
