#pragma once

#include <QString>

namespace Vexolo {

// The numeric value of the decimal number that text begins with (an optional sign, then
// digits), 0 when it begins with none. Values beyond 32 bits saturate at the 32-bit limits.
qint32 Val(QStringView text);

// One step of a single-digit field ("-"/"+" buttons): the value of text plus delta as decimal
// text, with "-1" wrapping to "9" and "10" to "0", so the digits cycle in both directions.
QString stepDigit(QStringView text, int delta);

} // namespace Vexolo
