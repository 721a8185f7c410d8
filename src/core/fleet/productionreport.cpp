#include "fleet/productionreport.h"

#include "words/findingwords.h"

#include <QFileInfo>

#include <cmath>

namespace Vexolo::Production {

QString sizeText(qint64 bytes)
{
    if (bytes < 0)
        return {};
    const double size = double(bytes);
    if (size < 999.5e6)
        return QStringLiteral("%1 MB").arg(std::llround(size / 1e6));
    if (size < 9.95e9)
        return QStringLiteral("%1 GB").arg(size / 1e9, 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(std::llround(size / 1e9));
}

QString cardName(const Card &card)
{
    if (!card.label.label.isEmpty())
        return card.label.label;
    const QString folder = QFileInfo(card.root).fileName();
    return folder.isEmpty() ? card.root : folder;
}

QString referenceName(const Card &card)
{
    const QString folder = QFileInfo(card.reference).fileName();
    return folder.isEmpty() ? card.reference : folder;
}

QString cardText(const Card &card)
{
    const QString size = sizeText(card.bytes);
    return size.isEmpty() ? cardName(card) : QStringLiteral("%1 (%2)").arg(cardName(card), size);
}

QString resultText(const QString &name, const Outcome &outcome)
{
    if (!outcome.applied())
        return QStringLiteral("not registered as %1: %2").arg(name, fleetChangeText(*outcome.registered));
    const FleetResult &result = outcome.result;
    if (result.cancelled)
        return QStringLiteral("cancelled");
    if (result.verified())
        return QStringLiteral("verified");
    QStringList why;
    for (const Finding &problem : result.refusal + result.problems)
        why.append(findingLine(problem));
    return QStringLiteral("failed: ") + why.join(QStringLiteral("; "));
}

ReportRow reportRow(const Card &card, const QString &name, const Outcome &outcome, const QDateTime &time)
{
    const bool verified = outcome.applied() && outcome.result.verified();
    return {cardName(card), name, resultText(name, outcome), time, outcome.result.version, verified};
}

QString reportTime(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

namespace {

QByteArray csvField(const QString &text)
{
    QByteArray field = text.toUtf8();
    // A name from the fleet's data could otherwise run as a formula where the file is opened.
    if (!field.isEmpty() && QByteArrayView("=+-@\t\r").contains(field.front()))
        field.prepend('\'');
    if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r'))
        return '"' + field.replace("\"", "\"\"") + '"';
    return field;
}

} // namespace

QByteArray reportCsv(const QList<ReportRow> &rows)
{
    QByteArray csv = "Card,Player,Result,Time,Version\r\n";
    for (const ReportRow &row : rows) {
        const QStringList fields {row.card, row.player, row.result, reportTime(row.time), row.version};
        QByteArrayList line;
        for (const QString &field : fields)
            line.append(csvField(field));
        csv += line.join(',') + "\r\n";
    }
    return csv;
}

} // namespace Vexolo::Production
