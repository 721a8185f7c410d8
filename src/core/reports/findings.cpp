#include "reports/findings.h"

#include "storage/cardfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Vexolo {

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

QString programsPath(const QString &name)
{
    return ProgramsFolderName + u'/' + name;
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
                            {QStringLiteral("kind"), finding.kind},
                            {QStringLiteral("message"), finding.message}};
        if (finding.repair.isCertain())
            object.insert(QStringLiteral("repair"), finding.repair.words);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace Vexolo
