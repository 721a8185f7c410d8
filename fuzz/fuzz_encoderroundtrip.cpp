#include "commands/commandencoder.h"
#include "commands/commandreader.h"

#include <cstdlib>

// Settings that the window itself can produce (a track name, a fade option, a single-digit
// volume, times without blanks) survive encode, read, encode unchanged.
namespace {

class Input
{
public:
    Input(const uint8_t *data, size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    QString time()
    {
        static const char alphabet[] = "0123456789-+.eEaPVX19#/";
        QString text;
        const int length = byte() % 4;
        for (int i = 0; i < length; ++i)
            text.append(QLatin1Char(alphabet[byte() % (sizeof alphabet - 1)]));
        return text;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input input(data, size);
    Vexolo::TrackSettings settings;
    settings.trackName = QStringLiteral("Track %1.mp3").arg(input.byte());
    settings.fade = Vexolo::FadeOption(1 + input.byte() % 3);
    settings.playNext = input.byte() & 1;
    settings.volume = QString::number(input.byte() % 10);
    for (QString &pause : settings.pauses)
        pause = input.time();
    for (auto &row : settings.outputs) {
        for (QString &field : row)
            field = input.time();
    }

    const Vexolo::EncodedCommandString first = Vexolo::encodeTrackSettings(settings);
    Vexolo::TrackSettings read;
    Vexolo::readCommandString(read, first.text);
    const Vexolo::EncodedCommandString second = Vexolo::encodeTrackSettings(read);
    if (second.text != first.text)
        std::abort();
    return 0;
}
