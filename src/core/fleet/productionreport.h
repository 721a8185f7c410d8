#pragma once

#include "fleet/productionline.h"

#include <QDateTime>
#include <QList>
#include <QString>

// What a run of the production line did, card by card: the words the window, the report and the command line share.
namespace Vexolo::Production {

// "64 MB", "1.9 GB", "32 GB" (decimal units, as cards are sold); empty when the size is not known.
QString sizeText(qint64 bytes);
// The card as the user knows it: its file system's label, or else its folder's name.
QString cardName(const Card &card);
// The reference as the user knows it: its folder's name.
QString referenceName(const Card &card);
// "PLAYER01 (64 MB)", without the size when it is not known.
QString cardText(const Card &card);
// "verified", "cancelled", "failed: " and why, "not registered as ‹name›: " and why.
QString resultText(const QString &name, const Outcome &outcome);

// One card of a run.
struct ReportRow
{
    QString card; // its label, or its folder's name
    QString player;
    QString result;
    QDateTime time;
    QString version; // the reference's version written; empty when none was
    bool verified = false;
};

ReportRow reportRow(const Card &card, const QString &name, const Outcome &outcome, const QDateTime &time);

// The rows as comma-separated values (RFC 4180: CRLF line ends, a field with a comma, a quote or a line end quoted,
// its quotes doubled), a header line first. A field a spreadsheet would take for a formula starts with a quote mark.
QByteArray reportCsv(const QList<ReportRow> &rows);
// The time as the report and the window show it: "2024-05-01 14:03:52", local time.
QString reportTime(const QDateTime &time);

} // namespace Vexolo::Production
