#include "commands/commandencoder.h"
#include "commands/commandreader.h"
#include "storage/cardtext.h"

#include <cstdlib>

// Any text read into the advanced settings form, then encoded again: no crash, and the form
// never holds more than its fields.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = Vexolo::decodeCardText(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    Vexolo::TrackSettings settings;
    Vexolo::readCommandString(settings, text);
    const Vexolo::EncodedCommandString encoded = Vexolo::encodeTrackSettings(settings);
    if (encoded.length < 0 || (encoded.tooLong() && encoded.tooLongMessage().isEmpty()))
        std::abort();
    return 0;
}
