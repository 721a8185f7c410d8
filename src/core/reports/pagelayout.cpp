#include "reports/pagelayout.h"

#include <algorithm>

namespace Vexolo {

namespace {

bool pastPageEnd(int y, int height)
{
    // In 64 bits and without division, so no rounding moves the break by a line.
    return 11 * qint64(y) > 10 * qint64(height);
}

// text cut into lines no wider than room, the lines after the first no wider than room - indent. Each line holds
// at least one character, so the cutting always ends.
QStringList wrapped(const QString &text, int size, int room, int indent, const TextWidth &measure)
{
    if (!measure)
        return {text};
    QStringList lines;
    QString rest = text;
    while (!rest.isEmpty()) {
        const int fits = lines.isEmpty() ? room : room - indent;
        if (measure(size, rest) <= fits) {
            lines.append(rest);
            break;
        }
        // The longest start that fits, found by halving.
        qsizetype low = 1;
        qsizetype high = rest.size();
        while (low < high) {
            const qsizetype middle = (low + high + 1) / 2;
            if (measure(size, rest.first(middle)) <= fits)
                low = middle;
            else
                high = middle - 1;
        }
        // A break after a separator in its second half reads better than one inside a word.
        qsizetype cut = low;
        for (qsizetype at = low; at > low / 2; --at) {
            if (QStringView(u" -_.").contains(rest[at - 1])) {
                cut = at;
                break;
            }
        }
        lines.append(rest.first(cut));
        // The break stands for a blank there.
        rest = rest.mid(rest[cut - 1] != u' ' && cut < rest.size() && rest[cut] == u' ' ? cut + 1 : cut);
    }
    return lines;
}

} // namespace

QString numberedLine(int n, const QString &text)
{
    return QString::number(n) + QStringLiteral(")  ") + text;
}

QList<PrintStep> layoutPages(const QString &heading, const QStringList &entries, int width, int height,
                             int headingHeight, int entryHeight, int copies, const TextWidth &measure)
{
    QList<PrintStep> steps;
    if (copies < 1)
        return steps;
    steps.reserve(copies * (entries.size() + 4));

    const int x = width / 8;
    const int room = width - 2 * x;
    const int top = height / 11;
    for (int copy = 1; copy <= copies; ++copy) {
        if (copy > 1)
            steps.append(PrintStep::newPage());
        steps.append(PrintStep::setSize(HeadingTextSize));
        int y = top;
        for (const QString &line : wrapped(heading, HeadingTextSize, room, 0, measure)) {
            steps.append(PrintStep::drawText(x, y, line));
            y += headingHeight + LineGap;
        }
        steps.append(PrintStep::setSize(EntryTextSize));
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QString number = numberedLine(int(i) + 1, QString());
            const int indent = measure ? measure(EntryTextSize, number) : 0;
            const QStringList lines = wrapped(number + entries.at(i), EntryTextSize, room, indent, measure);
            for (qsizetype line = 0; line < lines.size(); ++line) {
                steps.append(PrintStep::drawText(line == 0 ? x : x + indent, y, lines[line]));
                y += entryHeight + LineGap;
                if (pastPageEnd(y, height) && (line + 1 < lines.size() || i + 1 < entries.size())) {
                    steps.append(PrintStep::newPage());
                    y = top;
                }
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
