#pragma once

#include <QByteArray>
#include <QString>

// Character encoding of every card file: UTF-8 without a byte-order mark. A file that is not
// valid UTF-8 (written by another tool in a single-byte encoding) is read as Windows-1252.
namespace Vexolo {

QString decodeCardText(const QByteArray &bytes);
QByteArray encodeCardText(const QString &text);
// Length in characters (Unicode code points), the unit of the 79-character limit.
qsizetype characterCount(const QString &text);

} // namespace Vexolo
