#include "printing.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace Vexolo {

namespace {

qreal surfaceScale(const QPrinter &printer)
{
    return printer.resolution() / PrintUnitsPerInch;
}

} // namespace

QFont printFont(int size)
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    // Pixel size on the scaled surface: a point size would be scaled a second time.
    font.setPixelSize(size);
    return font;
}

bool replaySteps(QPrinter &printer, const QList<PrintStep> &steps)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.scale(surfaceScale(printer), surfaceScale(printer));
    for (const PrintStep &step : steps) {
        switch (step.kind) {
        case PrintStep::Kind::SetSize:
            painter.setFont(printFont(step.size));
            break;
        case PrintStep::Kind::DrawText:
            painter.drawText(step.x, step.y, step.text);
            break;
        case PrintStep::Kind::NewPage:
            printer.newPage();
            break;
        }
    }
    return painter.end();
}

bool printList(QPrinter &printer, const QString &heading, const QStringList &entries, int copies)
{
    // Copies are drawn here one after the other; a printer told to repeat them too would multiply them.
    printer.setCopyCount(1);
    // Page size and line heights in surface units, the units the layout works in.
    const qreal scale = surfaceScale(printer);
    const int headingHeight = qRound(QFontMetricsF(printFont(HeadingTextSize)).height());
    const int entryHeight = qRound(QFontMetricsF(printFont(EntryTextSize)).height());
    const QList<PrintStep> steps = layoutPages(heading, entries, int(printer.width() / scale),
                                               int(printer.height() / scale), headingHeight, entryHeight, copies);
    return replaySteps(printer, steps);
}

} // namespace Vexolo
