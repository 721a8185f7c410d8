#pragma once

#include <QString>

namespace Vexolo {

// The numeric value of the decimal number that text begins with (an optional sign, then
// digits), 0 when it begins with none. Values beyond 32 bits saturate at the 32-bit limits.
qint32 Val(QStringView text);

} // namespace Vexolo
