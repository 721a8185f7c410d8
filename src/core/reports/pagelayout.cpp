#include "reports/pagelayout.h"

#include <algorithm>

namespace Vexolo {

namespace {

bool pastPageEnd(int y, int height)
{
    // In 64 bits and without division, so no rounding moves the break by a line.
    return 11 * qint64(y) > 10 * qint64(height);
}

} // namespace

QString numberedLine(int n, const QString &text)
{
    return QString::number(n) + QStringLiteral(")  ") + text;
}

QList<PrintStep> layoutPages(const QString &heading, const QStringList &entries, int width, int height,
                             int headingHeight, int entryHeight, int copies)
{
    QList<PrintStep> steps;
    if (copies < 1)
        return steps;
    steps.reserve(copies * (entries.size() + 4));

    const int x = width / 8;
    const int top = height / 11;
    for (int copy = 1; copy <= copies; ++copy) {
        if (copy > 1)
            steps.append(PrintStep::newPage());
        steps.append(PrintStep::setSize(HeadingTextSize));
        steps.append(PrintStep::drawText(x, top, heading));
        int y = top + headingHeight + LineGap;
        steps.append(PrintStep::setSize(EntryTextSize));
        for (qsizetype i = 0; i < entries.size(); ++i) {
            steps.append(PrintStep::drawText(x, y, numberedLine(int(i) + 1, entries.at(i))));
            y += entryHeight + LineGap;
            if (pastPageEnd(y, height) && i + 1 < entries.size()) {
                steps.append(PrintStep::newPage());
                y = top;
            }
        }
    }
    return steps;
}

QList<int> printOrder(int pageCount, int fromPage, int toPage, int copies, bool collate, bool reverse)
{
    const bool all = fromPage == 0 && toPage == 0;
    const int first = all ? 0 : std::max(fromPage - 1, 0);
    const int last = all ? pageCount - 1 : std::min(toPage - 1, pageCount - 1);
    QList<int> range;
    for (int page = first; page <= last; ++page)
        range.append(page);
    if (reverse)
        std::reverse(range.begin(), range.end());
    QList<int> order;
    if (collate) {
        for (int copy = 0; copy < copies; ++copy)
            order.append(range);
    } else {
        for (const int page : std::as_const(range))
            order.append(QList<int>(std::max(copies, 0), page));
    }
    return order;
}

} // namespace Vexolo
