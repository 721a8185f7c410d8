#include "commands/textnumber.h"

#include <limits>

namespace Vexolo {

qint32 Val(QStringView text)
{
    qsizetype at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }
    constexpr qint64 upper = std::numeric_limits<qint32>::max();
    constexpr qint64 lower = -qint64(std::numeric_limits<qint32>::min());
    const qint64 limit = negative ? lower : upper;
    qint64 value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        value = value * 10 + (text[at].unicode() - u'0');
        if (value > limit) {
            value = limit; // saturate, and keep consuming digits without overflow
        }
    }
    return qint32(negative ? -value : value);
}

QString stepDigit(QStringView text, int delta)
{
    const QString stepped = QString::number(qint64(Val(text)) + delta);
    if (stepped == QLatin1String("-1"))
        return QStringLiteral("9");
    if (stepped == QLatin1String("10"))
        return QStringLiteral("0");
    return stepped;
}

} // namespace Vexolo
