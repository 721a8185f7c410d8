#pragma once

#include "commands/switching.h"
#include "show/preview.h"

#include <QPointer>
#include <QWidget>

class LampsView;
class QComboBox;
class QLabel;
class QPushButton;
class QShortcut;
class TimelineView;
class TimedFields;
class TrackMedia;

// The timeline window: the settings of the advanced window beside it, redrawn as its fields are
// typed, with a preview that plays the track, moves a playhead and lights eight lamps and the
// "all" lamp as the device would. It never changes a field, except on Ctrl+Return, which writes
// the playhead's time into the advanced window's focused time field.
class TimelineWindow final : public QWidget
{
    Q_OBJECT

public:
    ~TimelineWindow() override;
    Q_DISABLE_COPY_MOVE(TimelineWindow)

    // The timeline of fields, opened beside their window or brought to the front. The track's length and sound come
    // from media, when there is one.
    static void showBeside(TimedFields &fields, TrackMedia *media);

    // What one number of a time stands for; remembered in the user's settings.
    Vexolo::TimeUnit unit() const { return m_unit; }
    void setUnit(Vexolo::TimeUnit unit);

    // Ctrl+Return: the playhead's time, in the chosen unit, into the advanced window's focused time field.
    void writePlayheadTime();

    TimelineView *view = nullptr;
    LampsView *lamps = nullptr;
    QPushButton *cmdPlay = nullptr;
    QComboBox *cboUnit = nullptr;
    QLabel *lblPlayhead = nullptr;
    QLabel *lblStatus = nullptr;
    Preview preview;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TimelineWindow(TimedFields &fields, TrackMedia *media);
    void createControls();
    void refresh();
    void openTrack();
    void lengthRead(const QString &trackName);
    void showPlayhead(qint64 position);
    void placeBeside();
    double millisecondsPerUnit() const;
    std::optional<double> lengthInUnits() const;

    TimedFields &m_fields; // the window's, which this one goes with
    QPointer<QWidget> m_adv;
    const QObject *m_advObject; // never followed: what the filter's events are told apart by
    QPointer<TrackMedia> m_media;
    QPointer<QShortcut> m_advShortcut;
    Vexolo::TimeUnit m_unit = Vexolo::TimeUnit::Seconds;
    Vexolo::TrackSettings m_settings;
    QString m_track;
    Vexolo::TrackLength m_length;
    QString m_notice;
};
