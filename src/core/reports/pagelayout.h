#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The printed list: a bold heading, then one numbered line per entry, paginated, once per copy.
// The layout knows nothing of printers; it turns sizes into drawing steps that a painter replays.
namespace Vexolo {

inline constexpr int HeadingTextSize = 18;
inline constexpr int EntryTextSize = 14;
// Extra space below every line, in the page's units.
inline constexpr int LineGap = 5;

struct PrintStep
{
    // SetSize: size applies to the lines that follow. DrawText: text with its baseline starting at x, y.
    enum class Kind { SetSize, DrawText, NewPage };

    Kind kind = Kind::NewPage;
    int size = 0;
    int x = 0;
    int y = 0;
    QString text;

    static PrintStep setSize(int size) { return {Kind::SetSize, size, 0, 0, {}}; }
    static PrintStep drawText(int x, int y, const QString &text) { return {Kind::DrawText, 0, x, y, text}; }
    static PrintStep newPage() { return {Kind::NewPage, 0, 0, 0, {}}; }
};

// "n)  text", n counting from 1.
QString numberedLine(int n, const QString &text);

// The width of text at a text size, in the page's units: the printer's fonts measure it.
using TextWidth = std::function<int(int size, const QString &text)>;

// The steps that print heading and entries on pages of width by height, copies times.
// headingHeight and entryHeight are the text heights at HeadingTextSize and EntryTextSize.
// Positions round down: x = width / 8 and the top line y = height / 11 in integer division.
// The page end is exact: a page is full when, after a line, y > height * 10 / 11 as a real
// number, tested as 11 * y > 10 * height. A new page begins only when another line follows,
// so no copy ends with an empty page. No steps when copies < 1.
// With measure, no text passes the right margin (as wide as the left one): a longer line goes on in the lines
// below it, broken after a blank, "-", "_" or "." where one is near the end, an entry's indented under its text.
QList<PrintStep> layoutPages(const QString &heading, const QStringList &entries, int width, int height,
                             int headingHeight, int entryHeight, int copies, const TextWidth &measure = {});

// The pages to print out of the pageCount pages of one copy, as 0-based indexes in print order:
// pages fromPage to toPage (1-based, clipped to the pages there are; 0 to 0 means all), copies
// times, collated (1 2 1 2) or not (1 1 2 2), last page first when reversed.
QList<int> printOrder(int pageCount, int fromPage, int toPage, int copies, bool collate, bool reverse);

} // namespace Vexolo
