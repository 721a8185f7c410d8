#include "reports/cuesheet.h"

#include "words/switchwords.h"

#include "card/tracknames.h"
#include "commands/commandreader.h"
#include "commands/settingswords.h"
#include "reports/pagelayout.h"

#include <algorithm>

namespace Vexolo {

namespace {

constexpr int CueLineGap = 2;
constexpr int HeadingGap = 5;
constexpr int EntryGap = 10;
// The small timeline: a labelled lane per output and one for all outputs, a time scale below them.
constexpr int LaneHeight = 6;
constexpr int PauseMarkReach = 2; // above and below the lanes, so a pause stands out from the bars
constexpr int LanesHeight = LaneHeight * TrackSettings::OutputRows + 2;
constexpr int LabelWidth = 8;
constexpr int ScaleHeight = 9;
constexpr int TimelineHeight = PauseMarkReach + LanesHeight + ScaleHeight;
constexpr int PauseMarkWidth = 2;

// "10 to 40", or "on 10" / "off 40" where the other half of the pair is empty.
QString pairText(const QString &on, const QString &off)
{
    if (on.isEmpty())
        return QStringLiteral("off ") + off;
    if (off.isEmpty())
        return QStringLiteral("on ") + on;
    return on + QStringLiteral(" to ") + off;
}

std::optional<double> inUnits(TrackLength length, TimeUnit unit)
{
    if (!length || *length < 0)
        return {};
    return double(*length) / double(millisecondsPer(unit));
}

CueStep text(int x, int y, int w, int h, const QString &text)
{
    return {.kind = CueStep::Kind::Text, .x = x, .y = y, .w = w, .h = h, .text = text};
}

CueStep font(int size, bool bold)
{
    return {.kind = CueStep::Kind::Font, .size = size, .bold = bold, .text = {}};
}

CueStep box(int x, int y, int w, int h, bool filled)
{
    return {.kind = CueStep::Kind::Box, .x = x, .y = y, .w = w, .h = h, .bold = filled, .text = {}};
}

CueStep mark(int x, int y, int w, int h)
{
    return {.kind = CueStep::Kind::Mark, .x = x, .y = y, .w = w, .h = h, .text = {}};
}

// The small timeline of one entry across x to x + w from y: the lanes labelled 1 to 8 and A with bars where
// outputs are on, black marks at pauses, and the time scale under them.
void drawTimeline(QList<CueStep> &steps, const SwitchPlan &plan, std::optional<double> length, int x, int y, int w)
{
    const double end = axisEnd(plan, length);
    const int left = x + LabelWidth;
    const int width = w - LabelWidth;
    const auto at = [&](double time) { return left + int(double(width) * std::clamp(time, 0.0, end) / end); };
    steps << font(CueLabelSize, false) << box(left, y, width, LanesHeight, false);
    for (int lane = 0; lane < TrackSettings::OutputRows; ++lane) {
        const int top = y + 1 + lane * LaneHeight;
        steps << text(x, top, LabelWidth, LaneHeight, laneLabel(lane));
        for (const Span &span : plan.spans[lane]) {
            const int from = at(span.start);
            const int to = span.open ? left + width : at(span.end);
            steps.append(box(from, top, std::max(to - from, 1), LaneHeight - 1, true));
        }
    }
    for (const Mark &pause : plan.pauses)
        steps << mark(at(pause.time), y - PauseMarkReach, PauseMarkWidth, LanesHeight + 2 * PauseMarkReach);
    // Numbers as far as they fit before the right edge.
    const double step = axisStep(end);
    const int ticks = int(end / step + 0.001); // the last at the end, where it falls on a step
    for (int n = 0; n <= ticks; ++n) {
        const int tick = at(n * step);
        const QString number = QString::number(n * step);
        const int numberWidth = int(number.size()) * CueLabelSize * 3 / 5 + 2;
        steps << mark(tick, y + LanesHeight, 1, 2);
        if (tick + numberWidth <= left + width)
            steps << text(tick, y + LanesHeight + 2, numberWidth, ScaleHeight - 2, number);
    }
}

bool timed(const CueSheet &sheet)
{
    return sheet.times.entries.size() == sheet.entries.size();
}

// An entry's settings, read and planned once for both its lines and its timeline.
struct ReadEntry
{
    TrackSettings settings;
    std::optional<double> length;
    SwitchPlan plan;
};

ReadEntry readEntry(const CueEntry &entry, TimeUnit unit)
{
    ReadEntry read;
    readCommandString(read.settings, entry.commandString);
    read.length = inUnits(entry.length, unit);
    read.plan = planSwitching(read.settings, read.length);
    return read;
}

QStringList linesOf(const CueSheet &sheet, qsizetype i, const ReadEntry &read)
{
    const CueEntry &entry = sheet.entries[i];
    const TrackSettings &settings = read.settings;
    const bool timed = Vexolo::timed(sheet);
    QStringList lines {numberedLine(int(i) + 1,
                                    ExtractFilename(settings.trackName) + QStringLiteral(" \u2014 ")
                                        + lengthText(entry.length)
                                        + (timed ? QStringLiteral(" \u00b7 ") + startText(sheet.times, i) : QString())),
                       fadeWords(settings.fade) + QStringLiteral(" \u00b7 Auto play next track: ")
                           + (settings.playNext ? QStringLiteral("yes") : QStringLiteral("no"))
                           + QStringLiteral(" \u00b7 Volume ") + settings.volume};
    QStringList pauses;
    for (const QString &pause : settings.pauses) {
        if (!pause.isEmpty())
            pauses.append(pause);
    }
    if (!pauses.isEmpty())
        lines.append(QStringLiteral("Auto pauses: ") + pauses.join(QStringLiteral(", ")));
    for (int lane = 0; lane < TrackSettings::OutputRows; ++lane) {
        QStringList pairs;
        const auto &row = settings.outputs[lane];
        for (int column = 0; column < TrackSettings::Columns; column += 2) {
            if (!row[column].isEmpty() || !row[column + 1].isEmpty())
                pairs.append(pairText(row[column], row[column + 1]));
        }
        if (!pairs.isEmpty())
            lines.append(laneName(lane) + QStringLiteral(": ") + pairs.join(QStringLiteral(", ")));
    }
    for (const SwitchFinding &finding : read.plan.findings)
        lines.append(QStringLiteral("Check: ") + switchFindingText(finding));
    if (timed)
        lines += runEndTexts(sheet.times, i);
    return lines;
}

} // namespace

void timeCueSheet(CueSheet &sheet)
{
    QStringList strings;
    QList<TrackLength> lengths;
    for (const CueEntry &entry : std::as_const(sheet.entries)) {
        strings.append(entry.commandString);
        lengths.append(entry.length);
    }
    sheet.times = programTimes(strings, lengths, sheet.unit);
}

QStringList cueEntryLines(const CueSheet &sheet, qsizetype i)
{
    return linesOf(sheet, i, readEntry(sheet.entries[i], sheet.unit));
}

namespace {

// Where a page's parts go, from its sizes.
struct Frame
{
    int x;
    int w;
    int top;
    int bottom;
    int lineAdvance;

    explicit Frame(const CuePage &page)
        : x(page.width / 8)
        , w(page.width - 2 * x)
        , top(page.height / 11)
        , bottom(int(qint64(page.height) * 10 / 11))
        , lineAdvance(page.lineHeight + CueLineGap)
    {
    }
};

// Where the first entry goes: below the heading, the card's line and the date line.
int firstEntryTop(const Frame &frame, const CuePage &page)
{
    return frame.top + page.headingHeight + HeadingGap + 2 * frame.lineAdvance + EntryGap;
}

} // namespace

QList<qsizetype> cuePageStarts(const CueSheet &sheet, const CuePage &page)
{
    const Frame frame(page);
    QList<qsizetype> starts {0};
    int y = firstEntryTop(frame, page);
    for (qsizetype i = 0; i < sheet.entries.size(); ++i) {
        const int lines = int(cueEntryLines(sheet, i).size());
        const int height = lines * frame.lineAdvance + TimelineHeight;
        if (y + height > frame.bottom && y > frame.top) {
            starts.append(i);
            y = frame.top;
        }
        y += height + EntryGap;
    }
    return starts;
}

QList<CueStep> layoutCuePage(const CueSheet &sheet, const CuePage &page, const QList<qsizetype> &starts, qsizetype n)
{
    const Frame frame(page);
    QList<CueStep> steps;
    int y = frame.top;
    if (n == 0) {
        const QString title = QStringLiteral("Program ") + sheet.number
            + (sheet.name.isEmpty() ? QString() : QStringLiteral(": ") + sheet.name);
        steps << font(CueHeadingSize, true) << text(frame.x, y, frame.w, page.headingHeight, title);
        y += page.headingHeight + HeadingGap;
        steps << font(CueTextSize, false);
        if (!sheet.card.isEmpty())
            steps << text(frame.x, y, frame.w, page.lineHeight, QStringLiteral("Card ") + sheet.card);
        y += frame.lineAdvance;
        steps << text(frame.x, y, frame.w, page.lineHeight,
                      QStringLiteral("Cue sheet, printed ") + sheet.date + QStringLiteral(" \u00b7 times in ")
                          + unitName(sheet.unit));
        y = firstEntryTop(frame, page);
    }
    const qsizetype end = n + 1 < starts.size() ? starts[n + 1] : sheet.entries.size();
    for (qsizetype i = starts[n]; i < end; ++i) {
        const CueEntry &entry = sheet.entries[i];
        const ReadEntry read = readEntry(entry, sheet.unit);
        const QStringList lines = linesOf(sheet, i, read);
        // The waits for the remote close an entry's lines, in bold as its first.
        const qsizetype waits = lines.size() - (timed(sheet) ? runEndTexts(sheet.times, i).size() : 0);
        for (qsizetype line = 0; line < lines.size(); ++line) {
            steps << font(CueTextSize, line == 0 || line >= waits)
                  << text(frame.x, y, frame.w, page.lineHeight, lines[line]);
            y += frame.lineAdvance;
        }
        drawTimeline(steps, read.plan, read.length, frame.x, y + PauseMarkReach, frame.w);
        y += TimelineHeight + EntryGap;
    }
    const int footer = frame.bottom + (page.height - frame.bottom - page.lineHeight) / 2;
    steps << font(CueTextSize, false)
          << text(frame.x, footer, frame.w, page.lineHeight,
                  QStringLiteral("Page %1 of %2").arg(n + 1).arg(starts.size()));
    return steps;
}

QList<CueStep> layoutCueSheet(const CueSheet &sheet, const CuePage &page)
{
    const QList<qsizetype> starts = cuePageStarts(sheet, page);
    QList<CueStep> steps;
    for (qsizetype n = 0; n < starts.size(); ++n) {
        if (n > 0)
            steps.append(CueStep {});
        steps << layoutCuePage(sheet, page, starts, n);
    }
    return steps;
}

} // namespace Vexolo
