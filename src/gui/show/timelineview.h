#pragma once

#include "commands/switching.h"

#include <QWidget>

#include <optional>

class QPainter;

// One track's settings over time: a lane per output and one for all outputs with the On-to-Off
// spans as bars, the auto pauses as marks, the findings marked where they are with their words as
// tooltips, and the preview's playhead. Only shows; a click asks for the playhead there.
class TimelineView final : public QWidget
{
    Q_OBJECT

public:
    explicit TimelineView(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TimelineView)

    // lengthInUnits: the track's length in the times' own numbers, when known; shown at its end as lengthText.
    void showSettings(const Vexolo::TrackSettings &settings, std::optional<double> lengthInUnits,
                      const QString &lengthText);
    void setPlayhead(std::optional<double> time);

    const Vexolo::SwitchPlan &plan() const { return m_plan; }
    double axisEnd() const { return m_axisEnd; }
    // The tooltip at a point of the view: findings there in words, else the span or pause there.
    QString textAt(QPoint point) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void playheadWanted(double time);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    // The lanes with their names, the spans and the pauses.
    void paintLanes(QPainter &painter) const;
    // The axis in the times' own numbers and the track's end with its length.
    void paintAxis(QPainter &painter, int axisY) const;
    QRect plotArea() const;
    QRect laneRect(int lane) const;
    double xOf(double time) const;
    double timeAt(int x) const;

    Vexolo::SwitchPlan m_plan;
    std::optional<double> m_length;
    QString m_lengthText;
    double m_axisEnd = 10;
    std::optional<double> m_playhead;
};

// Eight lamps and the "all" lamp, lit as the device has switched the outputs.
class LampsView final : public QWidget
{
public:
    explicit LampsView(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(LampsView)

    void show(const Vexolo::Lamps &lamps);
    const Vexolo::Lamps &shown() const { return m_lamps; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Vexolo::Lamps m_lamps;
};
