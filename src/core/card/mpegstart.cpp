#include "card/mpegstart.h"

namespace Vexolo {

namespace {

quint8 byteAt(QByteArrayView bytes, qsizetype at)
{
    return static_cast<quint8>(bytes[at]);
}

} // namespace

qint64 id3TagSize(QByteArrayView header)
{
    if (header.size() < MpegStartSize || !header.startsWith("ID3"))
        return 0;
    // Its size is four 7-bit bytes after the version and flags.
    qint64 tag = MpegStartSize;
    for (int i = 6; i < 10; ++i)
        tag += qint64(byteAt(header, i) & 0x7f) << 7 * (9 - i);
    return tag;
}

bool startsAsMpegAudio(QByteArrayView head)
{
    if (id3TagSize(head) > 0)
        return true;
    if (head.size() < 4 || byteAt(head, 0) != 0xff || (byteAt(head, 1) & 0xe0) != 0xe0)
        return false;
    // Eleven sync bits, then a version, a layer, a bit rate and a sample rate that are not the reserved ones.
    const quint8 version = (byteAt(head, 1) >> 3) & 3;
    const quint8 layer = (byteAt(head, 1) >> 1) & 3;
    const quint8 bitRate = byteAt(head, 2) >> 4;
    const quint8 sampleRate = (byteAt(head, 2) >> 2) & 3;
    return version != 1 && layer != 0 && bitRate != 15 && sampleRate != 3;
}

} // namespace Vexolo
