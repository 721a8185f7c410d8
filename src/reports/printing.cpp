#include "reports/printing.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace Vexolo {

QFont printFont(int pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPointSize(pointSize);
    return font;
}

bool replaySteps(QPrinter &printer, const QList<PrintStep> &steps)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
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
    // Heights measured for the printer, in the same units as its width and height.
    const int headingHeight = QFontMetrics(printFont(HeadingTextSize), &printer).height();
    const int entryHeight = QFontMetrics(printFont(EntryTextSize), &printer).height();
    const QList<PrintStep> steps
        = layoutPages(heading, entries, printer.width(), printer.height(), headingHeight, entryHeight, copies);
    return replaySteps(printer, steps);
}

} // namespace Vexolo
