#include "commands/commandreader.h"
#include "show/programtimeline.h"
#include "words/switchwords.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

using namespace Vexolo;

namespace {

constexpr int EntryLaneHeight = 9;
constexpr int Lanes = LaneCount; // outputs 1 to 8, all outputs, the pauses
constexpr int Top = 40; // two lines of text above the lanes
// An entry's width grows with its length from a width its name can be read in; past a minute it is drawn at the
// minute's width with a break mark, so that one long track leaves room for the rest.
constexpr int EntryMinimumWidth = 72;
constexpr double PixelsPerSecond = 6;
constexpr double LongestDrawn = 60;
constexpr int LaneNamesWidth = 20; // the lanes' names, 1 to 8, A and P, at the left
constexpr int WaitGap = 28; // a break where the device waits for the remote
constexpr int RunTextWidest = 360; // a run's running time is written across no more than this
constexpr int RunTextLinesMost = 12;
const QColor LaneColour(0x20, 0x60, 0xa0);
const QColor FindingColour(0xc0, 0x20, 0x20);

TrackSettings settingsOf(const QString &commandString)
{
    TrackSettings settings;
    readCommandString(settings, commandString);
    return settings;
}

std::optional<double> lengthIn(TrackLength length, TimeUnit unit)
{
    return length ? std::optional(double(*length) / double(millisecondsPer(unit))) : std::nullopt;
}

// Where an entry's axis ends: at its track's end when all it does is within it, so that its width tells its length;
// else as the track timeline draws it.
double drawnEnd(const SwitchPlan &plan, std::optional<double> length)
{
    if (length && plan.lastTime <= *length)
        return std::max(*length, 0.1);
    return axisEnd(plan, length);
}

} // namespace

ProgramTimelineView::ProgramTimelineView(QWidget *parent)
    : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Program timeline"));
}

void ProgramTimelineView::showProgram(const QStringList &names, const QStringList &commandStrings,
                                      const QList<TrackLength> &lengths, TimeUnit unit)
{
    m_names = names;
    m_strings = commandStrings;
    m_lengths = lengths;
    m_unit = unit;
    m_entries.clear();
    m_entries.reserve(commandStrings.size());
    ProgramClock clock(unit);
    // Each string is read here once and its settings let go: a long program is not held as settings.
    for (qsizetype i = 0; i < commandStrings.size(); ++i) {
        const TrackSettings settings = settingsOf(commandStrings[i]);
        clock.add(settings, lengths.value(i));
        const SwitchPlan plan = planSwitching(settings, lengthIn(lengths.value(i), unit));
        Drawn drawn;
        drawn.end = float(drawnEnd(plan, lengthIn(lengths.value(i), unit)));
        const double seconds = double(drawn.end) * double(millisecondsPer(unit)) / 1000.0;
        drawn.broken = seconds > LongestDrawn;
        drawn.width = EntryMinimumWidth + int(std::lround(std::min(seconds, LongestDrawn) * PixelsPerSecond));
        drawn.findings = qint16(std::min<qsizetype>(plan.findings.size(), 999));
        m_entries.append(drawn);
    }
    m_times = clock.finish();
    const QFontMetrics metrics(font());
    int x = LaneNamesWidth + 4;
    int textRight = 0; // where the running times written last end
    int lines = 1;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        Drawn &drawn = m_entries[i];
        drawn.left = x;
        const bool waits = i + 1 < m_entries.size() && m_times.entries[i + 1].run != m_times.entries[i].lastRun;
        x += drawn.width + (waits ? WaitGap : 2);
        const ProgramTimes::Run &run = m_times.runs[m_times.entries[i].run];
        const int runLeft = xOf(run.firstEntry, double(run.from) / double(millisecondsPer(unit)));
        drawn.textLeft = std::max({runLeft, textRight + 6, drawn.left + drawn.width - RunTextWidest});
        drawn.textLeft = std::min(drawn.textLeft, drawn.left);
        const int runTexts = runTextLines(i, metrics);
        if (runTexts > 0) {
            textRight = drawn.left + drawn.width;
            lines = std::max(lines, runTexts);
        }
    }
    m_bottom = std::min(lines, RunTextLinesMost) * metrics.lineSpacing() + 8;
    setMinimumSize(x + 8, Top + Lanes * EntryLaneHeight + m_bottom);
    setAccessibleDescription(entryTexts().join(u'\n'));
    update();
}

SwitchPlan ProgramTimelineView::planOf(qsizetype row) const
{
    return planSwitching(settingsOf(m_strings.value(row)), lengthIn(m_lengths.value(row), m_unit));
}

int ProgramTimelineView::xOf(qsizetype row, double time) const
{
    const Drawn &entry = m_entries[row];
    return entry.left + int(double(entry.width) * std::clamp(time / double(entry.end), 0.0, 1.0));
}

// The lines the running times of the runs ending in row take, each wrapped in its width; 0 for none.
int ProgramTimelineView::runTextLines(qsizetype row, const QFontMetrics &metrics) const
{
    const Drawn &entry = m_entries[row];
    const int width = std::max(entry.left + entry.width - entry.textLeft - 4, 20);
    int lines = 0;
    for (const QString &text : runEndTexts(m_times, row)) // a word or two more for the wrapping
        lines
            += (metrics.horizontalAdvance(text) + metrics.horizontalAdvance(QStringLiteral("remote ")) - 1) / width + 1;
    return lines;
}

void ProgramTimelineView::showPlaying(qsizetype row, qint64 position)
{
    m_playingRow = row;
    m_playhead = position;
    update();
}

int ProgramTimelineView::entryAt(int x) const
{
    const auto after = std::upper_bound(m_entries.cbegin(), m_entries.cend(), x,
                                        [](int at, const Drawn &entry) { return at < entry.left; });
    if (after == m_entries.cbegin())
        return -1;
    const auto entry = after - 1;
    return x < entry->left + entry->width ? int(entry - m_entries.cbegin()) : -1;
}

QRect ProgramTimelineView::entryRect(int row) const
{
    return QRect(m_entries[row].left, Top, m_entries[row].width, Lanes * EntryLaneHeight);
}

QStringList ProgramTimelineView::entryTexts() const
{
    QStringList texts;
    texts.reserve(m_entries.size());
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        QStringList parts {QStringLiteral("%1) %2").arg(i + 1).arg(m_names.value(i)), startText(m_times, i)};
        parts += runEndTexts(m_times, i);
        if (m_entries[i].findings > 0)
            parts.append(QStringLiteral("%1 to check").arg(m_entries[i].findings));
        texts.append(parts.join(QStringLiteral(" \u00b7 ")));
    }
    return texts;
}

TrackLength ProgramTimelineView::total() const
{
    qint64 sum = 0;
    for (const ProgramTimes::Run &run : m_times.runs) {
        if (!run.length)
            return std::nullopt;
        sum += *run.length;
    }
    return sum;
}

void ProgramTimelineView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    QFont small = font();
    small.setPixelSize(EntryLaneHeight);
    painter.setFont(small);
    painter.setPen(palette().text().color());
    for (int lane = 0; lane < Lanes; ++lane) {
        painter.drawText(QRect(2, Top + lane * EntryLaneHeight, LaneNamesWidth - 4, EntryLaneHeight), Qt::AlignRight,
                         laneLabel(lane));
    }
    painter.setFont(font());
    // Only what shows is drawn, each entry read again from its string: a program of any length draws alike. Running
    // times are written from left of their entry, so the entries up to that width before the area count too.
    const auto first = std::lower_bound(m_entries.cbegin(), m_entries.cend(), event->rect().left() - RunTextWidest,
                                        [](const Drawn &entry, int x) { return entry.left + entry.width < x; });
    for (qsizetype i = first - m_entries.cbegin();
         i < m_entries.size() && m_entries[i].textLeft <= event->rect().right(); ++i) {
        if (m_entries[i].left + m_entries[i].width >= event->rect().left())
            paintEntry(painter, i);
        paintRunTexts(painter, i);
    }
}

void ProgramTimelineView::paintEntry(QPainter &painter, qsizetype row) const
{
    const Drawn &entry = m_entries[row];
    const SwitchPlan plan = planOf(row);
    const QFontMetrics metrics(font());
    const int lanesBottom = Top + Lanes * EntryLaneHeight;
    if (row == m_playingRow)
        painter.fillRect(entry.left, 0, entry.width, lanesBottom + 4, palette().alternateBase());
    painter.setPen(entry.findings == 0 ? palette().text().color() : FindingColour);
    painter.drawRect(entry.left, Top, entry.width, Lanes * EntryLaneHeight);
    const QRect line(entry.left + 2, 2, entry.width - 4, metrics.height());
    painter.drawText(line, Qt::AlignLeft,
                     metrics.elidedText(QStringLiteral("%1) %2").arg(row + 1).arg(m_names.value(row)), Qt::ElideRight,
                                        line.width()));
    painter.drawText(line.translated(0, metrics.height()), Qt::AlignLeft,
                     metrics.elidedText(startText(m_times, row), Qt::ElideRight, line.width()));
    for (int lane = 0; lane < TrackSettings::OutputRows; ++lane) {
        for (const Span &span : plan.spans[lane]) {
            const int left = xOf(row, span.start);
            const int right = span.open ? entry.left + entry.width : xOf(row, span.end);
            painter.fillRect(left, Top + lane * EntryLaneHeight + 1, std::max(right - left, 1), EntryLaneHeight - 2,
                             LaneColour);
        }
    }
    if (entry.broken) { // drawn shorter than it plays: a break across its lanes says so
        const int x = entry.left + entry.width / 2;
        painter.fillRect(x - 3, Top + 1, 7, Lanes * EntryLaneHeight - 1, palette().base());
        painter.setPen(palette().text().color());
        painter.drawLine(x - 6, lanesBottom + 3, x - 1, Top - 3);
        painter.drawLine(x + 1, lanesBottom + 3, x + 6, Top - 3);
    }
    // An auto pause is a wait: the run breaks there.
    for (const Mark &pause : plan.pauses)
        painter.fillRect(xOf(row, pause.time) - 1, Top - 4, 3, Lanes * EntryLaneHeight + 8, FindingColour);
    if (row == m_playingRow) {
        painter.fillRect(xOf(row, double(m_playhead) / double(millisecondsPer(m_unit))), Top - 6, 2,
                         Lanes * EntryLaneHeight + 12, palette().text());
    }
}

// The running times of the runs that end in row, in full, under the runs as far as there is room.
void ProgramTimelineView::paintRunTexts(QPainter &painter, qsizetype row) const
{
    const QStringList texts = runEndTexts(m_times, row);
    if (texts.isEmpty())
        return;
    const Drawn &entry = m_entries[row];
    painter.setPen(palette().text().color());
    painter.drawText(QRect(entry.textLeft + 2, Top + Lanes * EntryLaneHeight + 4,
                           entry.left + entry.width - entry.textLeft - 2, m_bottom),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, texts.join(u'\n'));
}

bool ProgramTimelineView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const int row = entryAt(help->pos().x());
        if (row < 0) {
            QToolTip::hideText();
        } else {
            QStringList lines {m_names.value(row), startText(m_times, row)};
            lines << runEndTexts(m_times, row);
            for (const SwitchFinding &finding : planOf(row).findings)
                lines << switchFindingText(finding);
            QToolTip::showText(help->globalPos(), lines.join(u'\n'), this);
        }
        return true;
    }
    return QWidget::event(event);
}

void ProgramTimelineView::mousePressEvent(QMouseEvent *event)
{
    const int row = entryAt(event->position().toPoint().x());
    if (row >= 0)
        Q_EMIT entryClicked(row);
}

void ProgramTimelineView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const int row = entryAt(event->position().toPoint().x());
    if (row >= 0)
        Q_EMIT entryActivated(row);
}
