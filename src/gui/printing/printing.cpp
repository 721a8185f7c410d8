#include "printing.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

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

bool replayPages(QPrinter &printer, const QList<PrintStep> &steps, const QList<int> &order)
{
    // One copy's steps cut into pages, each with the text size in force where it begins, so any
    // page can be drawn on its own.
    struct Page
    {
        int size {};
        QList<PrintStep> steps;
    };
    QList<Page> pages(1);
    int size {};
    for (const PrintStep &step : steps) {
        if (step.kind == PrintStep::Kind::NewPage) {
            pages.append(Page {size, {}});
            continue;
        }
        if (step.kind == PrintStep::Kind::SetSize)
            size = step.size;
        pages.last().steps.append(step);
    }
    if (order.isEmpty())
        return true; // nothing asked for: not even an empty sheet
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.scale(surfaceScale(printer), surfaceScale(printer));
    for (qsizetype i = 0; i < order.size(); ++i) {
        const Page &page = pages.at(order.at(i));
        if (i > 0)
            printer.newPage();
        if (page.size > 0)
            painter.setFont(printFont(page.size));
        for (const PrintStep &step : page.steps) {
            if (step.kind == PrintStep::Kind::SetSize)
                painter.setFont(printFont(step.size));
            else
                painter.drawText(step.x, step.y, step.text);
        }
    }
    return painter.end();
}

bool printList(QPrinter &printer, const QString &heading, const QStringList &entries)
{
    // Page size and line heights in surface units, the units the layout works in.
    const qreal scale = surfaceScale(printer);
    const int headingHeight = qRound(QFontMetricsF(printFont(HeadingTextSize)).height());
    const int entryHeight = qRound(QFontMetricsF(printFont(EntryTextSize)).height());
    const auto measure = [](int size, const QString &text) {
        return int(std::ceil(QFontMetricsF(printFont(size)).horizontalAdvance(text)));
    };
    const QList<PrintStep> steps = layoutPages(heading, entries, int(printer.width() / scale),
                                               int(printer.height() / scale), headingHeight, entryHeight, 1, measure);
    const int pageCount
        = int(std::count_if(steps.cbegin(), steps.cend(),
                            [](const PrintStep &step) { return step.kind == PrintStep::Kind::NewPage; }))
        + 1;
    const bool range = printer.printRange() == QPrinter::PageRange;
    const QList<int> order
        = printOrder(pageCount, range ? printer.fromPage() : 0, range ? printer.toPage() : 0, printer.copyCount(),
                     printer.collateCopies(), printer.pageOrder() == QPrinter::LastPageFirst);
    // The range, the copies and the order are drawn here; a printer told them too would apply them twice.
    printer.setCopyCount(1);
    printer.setPageOrder(QPrinter::FirstPageFirst);
    return replayPages(printer, steps, order);
}

} // namespace Vexolo
