#include "show/programtimeline.h"

#include "commands/commandreader.h"
#include "playlist/playlistdocument.h"
#include "show/trackmedia.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

using namespace Vexolo;

namespace {

constexpr int LaneHeight = 9;
constexpr int Lanes = LaneCount; // outputs 1 to 8, all outputs, the pauses
constexpr int Top = 40; // two lines of text above the lanes
constexpr int Bottom = 24; // the running times below them
constexpr int PixelsPerSecond = 6;
constexpr int MinimumWidth = 90;
constexpr int WaitGap = 28; // a break where the device waits for the remote
const QColor LaneColour(0x20, 0x60, 0xa0);
const QColor FindingColour(0xc0, 0x20, 0x20);

int widthOf(double seconds)
{
    return std::max(MinimumWidth, int(seconds * PixelsPerSecond));
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
    // Each string read once, for its lanes and for the program's times.
    ProgramClock clock(unit);
    m_entries.clear();
    for (qsizetype i = 0; i < commandStrings.size(); ++i) {
        Drawn drawn;
        drawn.name = names.value(i);
        TrackSettings settings;
        readCommandString(settings, commandStrings[i]);
        clock.add(settings, lengths.value(i));
        const std::optional<double> length = lengths.value(i)
            ? std::optional(double(*lengths.value(i)) / double(millisecondsPer(unit)))
            : std::nullopt;
        drawn.plan = planSwitching(settings, length);
        drawn.end = axisEnd(drawn.plan, length);
        for (const SwitchFinding &finding : drawn.plan.findings)
            drawn.findings.append(finding.text);
        drawn.width = widthOf(drawn.end * double(millisecondsPer(unit)) / 1000.0);
        m_entries.append(drawn);
    }
    m_times = clock.finish();
    int x = 8;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        Drawn &drawn = m_entries[i];
        drawn.left = x;
        drawn.start = startText(m_times, i);
        drawn.ends = runEndTexts(m_times, i);
        const bool waits = i + 1 < m_entries.size() && m_times.entries[i + 1].run != m_times.entries[i].lastRun;
        x += drawn.width + (waits ? WaitGap : 2);
    }
    setMinimumSize(x + 8, Top + Lanes * LaneHeight + Bottom);
    setAccessibleDescription(entryTexts().join(u'\n'));
    update();
}

int ProgramTimelineView::entryAt(int x) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (x >= m_entries[i].left && x < m_entries[i].left + m_entries[i].width)
            return int(i);
    }
    return -1;
}

QStringList ProgramTimelineView::entryTexts() const
{
    QStringList texts;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Drawn &entry = m_entries[i];
        QStringList parts {QStringLiteral("%1) %2").arg(i + 1).arg(entry.name), entry.start};
        parts += entry.ends;
        if (!entry.findings.isEmpty())
            parts.append(QStringLiteral("%1 to check").arg(entry.findings.size()));
        texts.append(parts.join(QStringLiteral(" \u00b7 ")));
    }
    return texts;
}

void ProgramTimelineView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const int lanesTop = Top;
    const int lanesBottom = Top + Lanes * LaneHeight;
    const QFontMetrics metrics(font());
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Drawn &entry = m_entries[i];
        const auto xOf = [&entry](double time) {
            return entry.left + int(double(entry.width) * std::clamp(time / entry.end, 0.0, 1.0));
        };
        painter.setPen(entry.findings.isEmpty() ? palette().text().color() : FindingColour);
        painter.drawRect(entry.left, lanesTop, entry.width, Lanes * LaneHeight);
        painter.drawText(
            QRect(entry.left + 2, 2, entry.width - 4, metrics.height()), Qt::AlignLeft,
            metrics.elidedText(QStringLiteral("%1) %2").arg(i + 1).arg(entry.name), Qt::ElideRight, entry.width - 4));
        painter.drawText(QRect(entry.left + 2, 2 + metrics.height(), entry.width - 4, metrics.height()), Qt::AlignLeft,
                         metrics.elidedText(entry.start, Qt::ElideRight, entry.width - 4));
        for (int lane = 0; lane < TrackSettings::OutputRows; ++lane) {
            for (const Span &span : entry.plan.spans[lane]) {
                const int left = xOf(span.start);
                const int right = span.open ? entry.left + entry.width : xOf(span.end);
                painter.fillRect(left, lanesTop + lane * LaneHeight + 1, std::max(right - left, 1), LaneHeight - 2,
                                 LaneColour);
            }
        }
        // An auto pause is a wait: the run breaks there.
        for (const Mark &pause : entry.plan.pauses)
            painter.fillRect(xOf(pause.time) - 1, lanesTop - 4, 3, Lanes * LaneHeight + 8, FindingColour);
    }
    painter.setPen(palette().text().color());
    for (const Drawn &entry : m_entries) {
        painter.drawText(
            QRect(entry.left + 2, lanesBottom + 4, entry.width - 4, metrics.height()), Qt::AlignLeft,
            metrics.elidedText(entry.ends.join(QStringLiteral(" \u00b7 ")), Qt::ElideRight, entry.width - 4));
    }
}

bool ProgramTimelineView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const int row = entryAt(help->pos().x());
        if (row < 0) {
            QToolTip::hideText();
        } else {
            QStringList lines {m_entries[row].name, m_entries[row].start};
            lines << m_entries[row].ends << m_entries[row].findings;
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

ProgramTimelineWindow::ProgramTimelineWindow(PlaylistDocument &document, TrackMedia *media, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_document(document)
    , m_media(media)
    , m_view(new ProgramTimelineView)
    , m_status(new QLabel)
{
    setObjectName(QStringLiteral("frmProgramTimeline"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *scroll = new QScrollArea;
    scroll->setWidget(m_view);
    scroll->setWidgetResizable(true);
    m_status->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(m_status);
    resize(900, Top + Lanes * LaneHeight + Bottom + 90);
    connect(&document, &PlaylistDocument::rowsInserted, this, &ProgramTimelineWindow::refresh);
    connect(&document, &PlaylistDocument::rowsRemoved, this, &ProgramTimelineWindow::refresh);
    connect(&document, &PlaylistDocument::rowsMoved, this, &ProgramTimelineWindow::refresh);
    connect(&document, &PlaylistDocument::modelReset, this, &ProgramTimelineWindow::refresh);
    connect(&document, &PlaylistDocument::dataChanged, this, &ProgramTimelineWindow::refresh);
    // The name changes as it is typed: only the title follows it.
    connect(&document, &PlaylistDocument::nameChanged, this, &ProgramTimelineWindow::retitle);
    connect(&document, &PlaylistDocument::numberChanged, this, &ProgramTimelineWindow::retitle);
    if (media)
        connect(media, &TrackMedia::lengthRead, this, &ProgramTimelineWindow::refresh);
    refresh();
}

void ProgramTimelineWindow::refresh()
{
    const QStringList names = m_document.names();
    QList<TrackLength> lengths;
    for (const QString &name : names)
        lengths.append(m_media ? m_media->length(name).value_or(std::nullopt) : std::nullopt);
    const TimeUnit unit = rememberedUnit();
    m_view->showProgram(names, m_document.commandStrings(), lengths, unit);
    retitle();
    m_status->setText(QStringLiteral("Times in %1, as the advanced window's timeline reads them. A red bar is an auto "
                                     "pause, a gap a wait for the remote; click an entry to select it, double-click "
                                     "to edit it.")
                          .arg(unitName(unit)));
}

void ProgramTimelineWindow::retitle()
{
    setWindowTitle(QStringLiteral("Program ") + m_document.number().text() + QStringLiteral(" Timeline")
                   + (m_document.name().isEmpty() ? QString() : QStringLiteral(": ") + m_document.name()));
}
