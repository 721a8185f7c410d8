#pragma once

#include <QByteArray>
#include <QString>

// Character encoding of every card file: UTF-8 without a byte-order mark. Names are the card's
// bytes: a byte that is not part of valid UTF-8 becomes the lone surrogate U+DC00 + byte, and
// encoding turns it back into that byte, so any name the card holds comes back byte for byte and
// never equals a name made of real characters.
namespace Vexolo {

// A file name as the card holds it, and back.
QString decodeFileName(QByteArrayView bytes);
QByteArray encodeFileName(const QString &name);
// Whether the bytes are all ASCII: a name so decodes to the same characters, one a byte.
bool isAscii(QByteArrayView bytes);

// A line of a card file. A line that is not valid UTF-8 was written by another tool: its track
// name (up to and including its first ".mp3") keeps the card's bytes, the rest is read as
// Windows-1252 unless it is UTF-8. A leading UTF-8 byte-order mark is skipped.
QString decodeCardText(QByteArrayView bytes);
// The same line read wholly as Windows-1252, for a name that the card holds in UTF-8.
QString decodeWindows1252(QByteArrayView bytes);
QByteArray encodeCardText(const QString &text);
// Length in characters (Unicode code points), the unit of the 79-character limit.
qsizetype characterCount(const QString &text);
// The first count characters of text; a character outside the BMP is never cut in half.
QString leftCharacters(const QString &text, qsizetype count);
// The number of UTF-16 units (1 or 2) of the character that starts at index at (< text.size()).
qsizetype characterSizeAt(QStringView text, qsizetype at);
// The character that stands for a byte of a name that is no text, 0 for any other character.
inline char escapedByte(QChar c)
{
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF ? char(c.unicode() - 0xDC00) : 0;
}

} // namespace Vexolo
