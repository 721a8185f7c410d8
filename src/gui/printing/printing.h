#pragma once

#include "reports/pagelayout.h"

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

class QPrinter;

namespace Vexolo {

// The page is drawn on a surface of 72 units per inch, whatever the printer's resolution, so a
// size of 14 is 14 points and the 5 units between lines are 5 points on paper.
inline constexpr qreal PrintUnitsPerInch = 72.0;

// Arial bold, size in surface units. Where Arial is missing, fontconfig substitutes a
// metric-compatible face.
QFont printFont(int size);

// Draws the pages of one copy's steps (pages end at NewPage steps) on printer, scaled to the
// 72-units-per-inch surface, in the given order of 0-based page indexes; returns false when the
// printer cannot be painted on. Text is drawn with QPainter::drawText(x, y, text): y is the baseline.
bool replayPages(QPrinter &printer, const QList<PrintStep> &steps, const QList<int> &order);

// Prints heading and entries as the print dialog asked: its page range, copies, collation and
// page order are drawn here, and the printer itself is told to make one copy in page order.
bool printList(QPrinter &printer, const QString &heading, const QStringList &entries);

// Told when the printer cannot be painted on (a file it cannot make, a printer gone), not when the user stops.
inline const QString NotPrintedMessage = QStringLiteral("Nothing was printed: the printer could not be started.");

} // namespace Vexolo
