#include "storage/cardtext.h"

#include <algorithm>

namespace Vexolo {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five bytes that code page leaves undefined keep their
// C1 control code points, as browsers decode them, so no byte is ever lost.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The length of the valid UTF-8 sequence at the start of bytes, 0 when there is none.
qsizetype utf8SequenceAt(QByteArrayView bytes, qsizetype at, char32_t *code)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = byte(0);
    const qsizetype length = lead < 0x80 ? 1
        : lead < 0xC2                    ? 0
        : lead < 0xE0                    ? 2
        : lead < 0xF0                    ? 3
        : lead < 0xF5                    ? 4
                                         : 0;
    if (length == 0 || at + length > bytes.size())
        return 0;
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are no characters.
    constexpr char32_t Smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < Smallest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        return 0;
    *code = value;
    return length;
}

bool isUtf8(QByteArrayView bytes)
{
    char32_t code;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = utf8SequenceAt(bytes, at, &code);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

// The toolkit's decoder drops a leading byte-order mark: such bytes take the slow way, as every
// invalid sequence does (the toolkit shows it as U+FFFD).
QString fastUtf8(QByteArrayView bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? QString(QChar::ReplacementCharacter) : QString::fromUtf8(bytes);
}

} // namespace

QString decodeFileName(QByteArrayView bytes)
{
    // Nearly every name is ASCII or UTF-8, which the toolkit decodes at once; the others go byte by byte.
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    QString name = fastUtf8(bytes);
    if (!name.contains(QChar::ReplacementCharacter))
        return name;
    name.clear();
    name.reserve(bytes.size());
    char32_t code = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = utf8SequenceAt(bytes, at, &code);
        if (length == 0) {
            name.append(QChar(char16_t(0xDC00 + static_cast<unsigned char>(bytes[at]))));
            ++at;
            continue;
        }
        if (code < 0x10000) {
            name.append(QChar(char16_t(code)));
        } else {
            name.append(QChar(QChar::highSurrogate(code)));
            name.append(QChar(QChar::lowSurrogate(code)));
        }
        at += length;
    }
    return name;
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

QByteArray encodeFileName(const QString &name)
{
    if (std::none_of(name.cbegin(), name.cend(), [](QChar c) { return c.isSurrogate(); }))
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype at = 0; at < name.size(); ++at) {
        const QChar c = name[at];
        if (c.unicode() < 0x80) {
            bytes.append(char(c.unicode()));
        } else if (const char escaped = escapedByte(c)) {
            // A low surrogate of a real pair never comes here: the pair is written whole below.
            bytes.append(escaped);
        } else {
            const qsizetype size = characterSizeAt(name, at);
            bytes += QStringView(name).sliced(at, size).toUtf8();
            at += size - 1;
        }
    }
    return bytes;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = QChar(value >= 0x80 && value < 0xA0 ? Cp1252High[value - 0x80] : char16_t(value));
    }
    return text;
}

QString decodeCardText(QByteArrayView bytes)
{
    // Editors on other systems often start a UTF-8 file with a byte-order mark; it is no part of
    // the first track name.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    if (QString text = fastUtf8(bytes); !text.contains(QChar::ReplacementCharacter))
        return text;
    if (isUtf8(bytes))
        return decodeFileName(bytes);
    const qsizetype mp3 = bytes.toByteArray().toLower().indexOf(".mp3");
    const qsizetype nameEnd = mp3 < 0 ? 0 : mp3 + 4;
    const QByteArrayView rest = bytes.sliced(nameEnd);
    // What follows the name is text; once written back by this program it is UTF-8.
    return decodeFileName(bytes.first(nameEnd)) + (isUtf8(rest) ? decodeFileName(rest) : decodeWindows1252(rest));
}

QByteArray encodeCardText(const QString &text)
{
    return encodeFileName(text);
}

qsizetype characterCount(const QString &text)
{
    qsizetype count = text.size();
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i].isLowSurrogate() && text[i - 1].isHighSurrogate())
            --count;
    }
    return count;
}

QString leftCharacters(const QString &text, qsizetype count)
{
    qsizetype at = 0;
    for (; at < text.size() && count > 0; --count)
        at += characterSizeAt(text, at);
    return text.left(at);
}

qsizetype characterSizeAt(QStringView text, qsizetype at)
{
    const bool pair = text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate();
    return pair ? 2 : 1;
}

} // namespace Vexolo
