#pragma once

#include <QByteArray>
#include <QString>

// Character encoding of every card file: UTF-8 without a byte-order mark. A file that is not
// valid UTF-8 (written by another tool in a single-byte encoding) is read as Windows-1252.
// A leading UTF-8 byte-order mark is skipped on reading.
namespace Vexolo {

QString decodeCardText(const QByteArray &bytes);
QByteArray encodeCardText(const QString &text);
// Length in characters (Unicode code points), the unit of the 79-character limit.
qsizetype characterCount(const QString &text);
// The first count characters of text; a character outside the BMP is never cut in half.
QString leftCharacters(const QString &text, qsizetype count);
// The number of UTF-16 units (1 or 2) of the character that starts at index at (< text.size()).
qsizetype characterSizeAt(QStringView text, qsizetype at);

} // namespace Vexolo
