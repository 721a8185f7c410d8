#include "reports/findings.h"

#include "storage/cardfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

QString findingLine(const Finding &finding)
{
    QString line = finding.place + QStringLiteral(": ") + finding.message;
    if (finding.repair.isCertain())
        line += QStringLiteral(" (repair: ") + finding.repair.words + u')';
    return line;
}

QString findingsText(const Findings &findings)
{
    QString text;
    for (const Finding &finding : findings)
        text += findingLine(finding) + u'\n';
    return text;
}

QByteArray findingsJson(const Findings &findings)
{
    QJsonArray array;
    for (const Finding &finding : findings) {
        QJsonObject object {{QStringLiteral("place"), finding.place},
                            {QStringLiteral("kind"), kindName(finding.kind)},
                            {QStringLiteral("message"), finding.message}};
        if (finding.repair.isCertain())
            object.insert(QStringLiteral("repair"), finding.repair.words);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace Vexolo
