#include "storage/cardfiles.h"
#include "storage/cardtext.h"

#include <cstdlib>

// Records of any string: filled to 79 characters (or written whole), CR LF, and read back as written.
// Any bytes as a file name come back byte for byte.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView raw(data, qsizetype(size));
    if (Vexolo::encodeFileName(Vexolo::decodeFileName(raw)) != raw)
        std::abort();
    const QString text = Vexolo::decodeCardText(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (text.startsWith(QChar(0xFEFF)))
        return 0; // at the start of a file it reads as a byte-order mark
    const QByteArray bytes = Vexolo::commandRecord(text);
    if (!bytes.endsWith("\r\n"))
        std::abort();
    const QString back = Vexolo::decodeCardText(bytes.chopped(2));
    const qsizetype length = Vexolo::characterCount(back);
    if (length != std::max<qsizetype>(Vexolo::RecordLength, Vexolo::characterCount(text)))
        std::abort();
    if (!back.startsWith(text))
        std::abort();
    const QByteArray listing = Vexolo::formatListing({text, text});
    if (listing != bytes + bytes + "end")
        std::abort();
    return 0;
}
