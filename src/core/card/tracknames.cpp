#include "card/tracknames.h"

#include "storage/cardtext.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Vexolo {

qsizetype indexOfMp3(const QString &text)
{
    return text.indexOf(Mp3Extension, 0, NameCase);
}

bool isTrackName(const QString &name)
{
    // A control character cannot be written into a record, and the device's cards cannot hold one.
    return name.endsWith(Mp3Extension, NameCase)
        && std::none_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

QString ExtractFilename(const QString &trackName)
{
    const qsizetype at = indexOfMp3(trackName);
    return at < 0 ? QString() : trackName.left(at);
}

QString upToFirstMp3(const QString &text)
{
    const qsizetype at = indexOfMp3(text);
    return at < 0 ? QString() : text.left(at + Mp3Extension.size());
}

QString shownName(const QString &trackName)
{
    QString shown = trackName;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        // The second half of a real surrogate pair is a character, not a byte.
        if (escapedByte(shown[i]) != 0 && (i == 0 || !shown[i - 1].isHighSurrogate()))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

namespace {

// Sorting folds each name's case once, into bytes that compare as the names do: a plain case-insensitive comparison
// folds every character of both names on every comparison, and a million names take about twenty million comparisons.
// The toolkit compares a name's code units one by one, each folded, but the second half of a surrogate pair folded
// together with the first half into the character's value. Each such value written as UTF-8 (surrogates too) gives
// bytes that compare exactly so, and a name's usual ASCII takes one byte a unit, so that most comparisons end in a
// key's head.
struct SortKey
{
    quint64 head[2]; // the first sixteen bytes of the folded name, the first one highest
    qsizetype start; // where the folded name starts in the shared buffer
    qsizetype size; // in bytes
    qsizetype name; // index in the names sorted
};

void appendUtf8(std::vector<unsigned char> &bytes, char32_t value)
{
    const auto put = [&bytes](char32_t byte) { bytes.push_back(static_cast<unsigned char>(byte)); };
    if (value < 0x80) {
        put(value);
        return;
    }
    if (value < 0x800) {
        put(0xC0 | (value >> 6));
    } else if (value < 0x10000) {
        put(0xE0 | (value >> 12));
        put(0x80 | ((value >> 6) & 0x3F));
    } else {
        put(0xF0 | (value >> 18));
        put(0x80 | ((value >> 12) & 0x3F));
        put(0x80 | ((value >> 6) & 0x3F));
    }
    put(0x80 | (value & 0x3F));
}

char asciiFolded(char byte)
{
    return byte >= 'A' && byte <= 'Z' ? char(byte + 32) : byte;
}

void appendFolded(std::vector<unsigned char> &bytes, QStringView name)
{
    char16_t previous = 0;
    for (const QChar c : name) {
        char32_t value = c.unicode();
        if (value < 0x80)
            value = static_cast<unsigned char>(asciiFolded(char(value)));
        else if (QChar::isHighSurrogate(previous) && c.isLowSurrogate())
            value = QChar::toCaseFolded(QChar::surrogateToUcs4(previous, c.unicode()));
        else
            value = QChar::toCaseFolded(value); // two characters fold into ASCII: U+017F and U+212A
        previous = c.unicode();
        appendUtf8(bytes, value);
    }
}

class Sorter
{
public:
    explicit Sorter(qsizetype count, qsizetype bytes)
    {
        m_keys.reserve(size_t(count));
        m_folded.reserve(size_t(bytes));
    }
    std::vector<unsigned char> &startKey()
    {
        m_keys.push_back({{}, qsizetype(m_folded.size()), {}, qsizetype(m_keys.size())});
        return m_folded;
    }
    void endKey()
    {
        SortKey &key = m_keys.back();
        key.size = qsizetype(m_folded.size()) - key.start;
        // Past its end a name reads as zeros: below any byte, as a name sorts before longer ones it starts.
        for (qsizetype byte = 0; byte < 16; ++byte) {
            quint64 &word = key.head[byte / 8];
            word = (word << 8) | (byte < key.size ? m_folded[size_t(key.start + byte)] : 0);
        }
    }
    // The names' indexes in the card list's order; ties keep their order.
    const std::vector<SortKey> &sorted()
    {
        const auto before = [this](const SortKey &a, const SortKey &b) {
            if (a.head[0] != b.head[0])
                return a.head[0] < b.head[0];
            if (a.head[1] != b.head[1])
                return a.head[1] < b.head[1];
            const qsizetype common = std::min(a.size, b.size);
            const int order = common > 16
                ? std::memcmp(&m_folded[size_t(a.start + 16)], &m_folded[size_t(b.start + 16)], size_t(common - 16))
                : 0;
            return order != 0 ? order < 0 : a.size < b.size;
        };
        // A stable sort gives exactly what inserting each name before the first row that sorts
        // strictly after it gives, without the quadratic cost on a big card.
        std::stable_sort(m_keys.begin(), m_keys.end(), before);
        m_folded = {};
        return m_keys;
    }

private:
    std::vector<SortKey> m_keys;
    std::vector<unsigned char> m_folded;
};

} // namespace

QStringList sortTrackNames(QStringList names)
{
    qsizetype total = 0;
    for (const QString &name : std::as_const(names))
        total += name.size();
    Sorter sorter(names.size(), total);
    for (const QString &name : std::as_const(names)) {
        appendFolded(sorter.startKey(), name);
        sorter.endKey();
    }
    QStringList sorted;
    sorted.reserve(names.size());
    for (const SortKey &key : sorter.sorted())
        sorted.append(std::move(names[key.name]));
    return sorted;
}

QStringList sortTrackNames(const NameBytes &names)
{
    Sorter sorter(names.ends.size(), names.bytes.size());
    qsizetype start = 0;
    for (const qsizetype end : names.ends) {
        const QByteArrayView name = QByteArrayView(names.bytes).sliced(start, end - start);
        std::vector<unsigned char> &folded = sorter.startKey();
        // ASCII decodes to itself: its folded units are its bytes, folded.
        if (isAscii(name))
            std::transform(name.begin(), name.end(), std::back_inserter(folded),
                           [](char byte) { return static_cast<unsigned char>(asciiFolded(byte)); });
        else
            appendFolded(folded, decodeFileName(name));
        sorter.endKey();
        start = end;
    }
    // Made in the list's order, the strings lie in memory in that order: going through the list,
    // as ">>>" and the listing file do, then reads memory in order.
    QStringList sorted;
    sorted.reserve(names.ends.size());
    for (const SortKey &key : sorter.sorted()) {
        const qsizetype first = key.name == 0 ? 0 : names.ends[key.name - 1];
        const QByteArrayView name = QByteArrayView(names.bytes).sliced(first, names.ends[key.name] - first);
        sorted.append(decodeFileName(name));
    }
    return sorted;
}

QString controlsShown(QString name)
{
    for (QChar &c : name) {
        if (c.unicode() < 32 || c.unicode() == 127)
            c = QChar(c.unicode() == 127 ? 0x2421 : 0x2400 + c.unicode());
    }
    return name;
}

QStringList sortTracks(QStringList names)
{
    names.removeIf([](const QString &name) { return !isTrackName(name); });
    return sortTrackNames(std::move(names));
}

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(u'/')
        && !name.contains(u'\\') && !name.contains(QChar(0));
}

} // namespace Vexolo
