#include "timelineview.h"
#include "words/switchwords.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

using namespace Vexolo;

namespace {

constexpr int LabelWidth = 96;
constexpr int RightMargin = 40;
constexpr int TopMargin = 8;
constexpr int LaneHeight = 22;
constexpr int LaneGap = 4;
constexpr int AxisHeight = 44;
constexpr int MarkRadius = 7;

const QColor BarColour(0x2e, 0x7d, 0x32);
const QColor AllBarColour(0x1f, 0x5f, 0xa8);
const QColor PauseColour(0x6a, 0x1b, 0x9a);
const QColor SwitchFindingColour(0xd3, 0x2f, 0x2f);
const QColor PlayheadColour(0xf5, 0x7c, 0x00);
const QColor LampLit(0xff, 0xd6, 0x00);
const QColor LampDark(0x55, 0x55, 0x55);
constexpr int LampPitch = 40;

} // namespace

TimelineView::TimelineView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("timelineView"));
    setAccessibleName(QStringLiteral("Timeline of the outputs"));
    setMouseTracking(true);
    setMinimumSize(360, TopMargin + LaneCount * (LaneHeight + LaneGap) + AxisHeight);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
}

QSize TimelineView::sizeHint() const
{
    return {760, TopMargin + LaneCount * (LaneHeight + LaneGap) + AxisHeight};
}

void TimelineView::showSettings(const TrackSettings &settings, std::optional<double> lengthInUnits,
                                const QString &lengthText)
{
    m_plan = planSwitching(settings, lengthInUnits);
    m_length = lengthInUnits;
    m_lengthText = lengthText;
    m_axisEnd = Vexolo::axisEnd(m_plan, lengthInUnits);
    update();
}

void TimelineView::setPlayhead(std::optional<double> time)
{
    m_playhead = time;
    update();
}

QRect TimelineView::plotArea() const
{
    return {LabelWidth, TopMargin, std::max(width() - LabelWidth - RightMargin, 1), LaneCount * (LaneHeight + LaneGap)};
}

QRect TimelineView::laneRect(int lane) const
{
    const QRect plot = plotArea();
    return {plot.left(), plot.top() + lane * (LaneHeight + LaneGap), plot.width(), LaneHeight};
}

double TimelineView::xOf(double time) const
{
    const QRect plot = plotArea();
    return plot.left() + plot.width() * std::clamp(time, 0.0, m_axisEnd) / m_axisEnd;
}

double TimelineView::timeAt(int x) const
{
    const QRect plot = plotArea();
    return std::clamp(double(x - plot.left()) / plot.width() * m_axisEnd, 0.0, m_axisEnd);
}

void TimelineView::paintLanes(QPainter &painter) const
{
    const QRect plot = plotArea();
    for (int lane = 0; lane < LaneCount; ++lane) {
        const QRect rect = laneRect(lane);
        painter.fillRect(rect, lane % 2 == 0 ? QColor(0xf4, 0xf4, 0xf4) : QColor(0xea, 0xea, 0xea));
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, rect.top(), LabelWidth - 8, rect.height()), Qt::AlignRight | Qt::AlignVCenter,
                         laneName(lane));
    }
    for (int lane = 0; lane < TrackSettings::OutputRows; ++lane) {
        const QRect rect = laneRect(lane).adjusted(0, 3, 0, -3);
        for (const Span &span : m_plan.spans[lane]) {
            const double left = xOf(span.start);
            const double right = span.open ? plot.right() : xOf(span.end);
            painter.fillRect(QRectF(left, rect.top(), std::max(right - left, 2.0), rect.height()),
                             lane == TrackSettings::AllRow ? AllBarColour : BarColour);
        }
    }
    for (const Mark &pause : m_plan.pauses) {
        const double x = xOf(pause.time);
        painter.setPen(QPen(PauseColour, 1, Qt::DashLine));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        const QRect lane = laneRect(PauseLane);
        painter.setBrush(PauseColour);
        painter.setPen(Qt::NoPen);
        painter.drawPolygon(
            QPolygonF({QPointF(x - 6, lane.top() + 3), QPointF(x + 6, lane.top() + 3), QPointF(x, lane.bottom() - 3)}));
    }
}

void TimelineView::paintAxis(QPainter &painter, int axisY) const
{
    const QRect plot = plotArea();
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(plot.left(), axisY, plot.right(), axisY);
    const double step = axisStep(m_axisEnd);
    for (double tick = 0; tick <= m_axisEnd + step / 1000; tick += step) {
        const double x = xOf(tick);
        painter.drawLine(QPointF(x, axisY), QPointF(x, axisY + 4));
        painter.drawText(QRectF(x - 30, axisY + 5, 60, 16), Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(tick, 'g', 10));
    }
    if (m_length) {
        const double x = xOf(*m_length);
        painter.setPen(QPen(Qt::black, 2));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, axisY + 4));
    }
    painter.drawText(QRectF(plot.right() - 120, axisY + 18, 160, 16), Qt::AlignRight | Qt::AlignTop,
                     QStringLiteral("length ") + m_lengthText);
}

void TimelineView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect plot = plotArea();
    paintLanes(painter);
    const int axisY = plot.bottom() + 4;
    paintAxis(painter, axisY);

    for (const SwitchFinding &finding : m_plan.findings) {
        const QPointF centre(xOf(finding.time), laneRect(finding.lane).center().y());
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(SwitchFindingColour);
        painter.drawEllipse(centre, MarkRadius, MarkRadius);
        painter.drawText(QRectF(centre.x() - MarkRadius, centre.y() - MarkRadius, 2 * MarkRadius, 2 * MarkRadius),
                         Qt::AlignCenter, QStringLiteral("!"));
    }

    if (m_playhead) {
        const double x = xOf(*m_playhead);
        painter.setPen(QPen(PlayheadColour, 2));
        painter.drawLine(QPointF(x, plot.top() - 4), QPointF(x, axisY));
    }
}

QString TimelineView::textAt(QPoint point) const
{
    QStringList texts;
    for (const SwitchFinding &finding : m_plan.findings) {
        const QPointF centre(xOf(finding.time), laneRect(finding.lane).center().y());
        if (QLineF(centre, point).length() <= MarkRadius + 2)
            texts.append(switchFindingText(finding));
    }
    if (!texts.isEmpty())
        return texts.join(u'\n');
    for (int lane = 0; lane < LaneCount; ++lane) {
        if (!laneRect(lane).contains(point))
            continue;
        const double time = timeAt(point.x());
        if (lane == PauseLane) {
            for (const Mark &pause : m_plan.pauses) {
                if (std::abs(xOf(pause.time) - point.x()) <= 6)
                    return QStringLiteral("Auto pause at %1").arg(pause.time);
            }
            return {};
        }
        for (const Span &span : m_plan.spans[lane]) {
            if (time >= span.start && (span.open || time <= span.end)) {
                return span.open
                    ? QStringLiteral("%1: on from %2 to the end").arg(laneName(lane)).arg(span.start)
                    : QStringLiteral("%1: on from %2 to %3").arg(laneName(lane)).arg(span.start).arg(span.end);
            }
        }
    }
    return {};
}

bool TimelineView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString text = textAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

void TimelineView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && plotArea().adjusted(0, 0, 0, AxisHeight).contains(event->pos()))
        Q_EMIT playheadWanted(timeAt(event->pos().x()));
}

LampsView::LampsView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("lamps"));
    setAccessibleName(QStringLiteral("Output lamps"));
    setMinimumSize((OutputCount + 1) * LampPitch, 44);
}

void LampsView::show(const Lamps &lamps)
{
    if (lamps == m_lamps)
        return;
    m_lamps = lamps;
    QStringList on;
    for (int output = 0; output < OutputCount; ++output) {
        if (lamps.outputs[output])
            on.append(QString::number(output + 1));
    }
    setAccessibleDescription(on.isEmpty() ? QStringLiteral("All outputs off")
                                          : QStringLiteral("On: ") + on.join(QStringLiteral(", ")));
    update();
}

void LampsView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int lamp = 0; lamp <= OutputCount; ++lamp) {
        const bool lit = lamp < OutputCount ? m_lamps.outputs[lamp] : m_lamps.all;
        const QPointF centre(LampPitch / 2.0 + lamp * LampPitch, 14);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(lit ? LampLit : LampDark);
        painter.drawEllipse(centre, 11, 11);
        painter.drawText(QRectF(centre.x() - LampPitch / 2.0, 28, LampPitch, 16), Qt::AlignCenter,
                         lamp < OutputCount ? QString::number(lamp + 1) : QStringLiteral("All"));
    }
}
