#pragma once

#include "reports/pagelayout.h"

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

class QPrinter;

namespace Vexolo {

// Arial bold at a point size, so the printed text has the same physical size at any printer
// resolution. Where Arial is missing, fontconfig substitutes a metric-compatible face.
QFont printFont(int pointSize);

// Draws the steps on printer; returns false when the printer cannot be painted on.
// Text is drawn with QPainter::drawText(x, y, text): y is the baseline of the line.
bool replaySteps(QPrinter &printer, const QList<PrintStep> &steps);

// Prints heading and entries copies times; the printer itself is told to make one copy.
bool printList(QPrinter &printer, const QString &heading, const QStringList &entries, int copies);

} // namespace Vexolo
