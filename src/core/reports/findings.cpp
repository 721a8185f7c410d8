#include "reports/findings.h"

#include "storage/cardfiles.h"

#include <QStringList>

namespace Vexolo {

QString kindName(Kind kind)
{
    static const QStringList names {
        QStringLiteral("missing-track"),   QStringLiteral("orphan-command-file"),
        QStringLiteral("wrong-track"),     QStringLiteral("bad-string"),
        QStringLiteral("program-format"),  QStringLiteral("name-file"),
        QStringLiteral("long-track-name"), QStringLiteral("stale-listing"),
        QStringLiteral("leftover"),        QStringLiteral("unreadable"),
        QStringLiteral("differs"),         QStringLiteral("only-on-a"),
        QStringLiteral("only-on-b"),       QStringLiteral("track-not-on-target"),
        QStringLiteral("not-copied"),      QStringLiteral("backup"),
        QStringLiteral("refused"),         QStringLiteral("not-verified"),
        QStringLiteral("write"),
    };
    return names.value(int(kind));
}

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

} // namespace Vexolo
