#include "commands/commandencoder.h"
#include "commands/commandreader.h"

#include <cstdlib>

// Settings that the window itself can produce (a track name, a fade option, a single-digit
// volume, times without blanks) survive a save and a reading: the same commands come back, and
// after one reading (which packs the times to the left) the string no longer changes.
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

    const auto cycle = [](const QString &text) {
        Vexolo::TrackSettings read;
        Vexolo::readCommandString(read, text);
        return Vexolo::encodeTrackSettings(read).text;
    };
    const QString first = Vexolo::encodeTrackSettings(settings).text;
    const QString second = cycle(first);
    QStringList before = first.split(u' ');
    QStringList after = second.split(u' ');
    before.sort();
    after.sort();
    // Equal keys from different columns may change places once; the commands themselves may not.
    if (before != after || cycle(second) != second)
        std::abort();
    return 0;
}
