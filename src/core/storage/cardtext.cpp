#include "storage/cardtext.h"

#include <QStringDecoder>

namespace Vexolo {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five bytes that code page leaves undefined keep their
// C1 control code points, as browsers decode them, so no byte is ever lost.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

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

} // namespace

QString decodeCardText(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    // Editors on other systems often start a UTF-8 file with a byte-order mark; it is no part of
    // the first track name.
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString text = utf8.decode(view);
    return utf8.hasError() ? decodeWindows1252(view) : text;
}

QByteArray encodeCardText(const QString &text)
{
    return text.toUtf8();
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
