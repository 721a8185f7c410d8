#pragma once

#include "commands/programplay.h"
#include "commands/programtimes.h"
#include "commands/switching.h"
#include "show/preview.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class LampsView;
class QFontMetrics;
class QItemSelectionModel;
class QLabel;
class QPainter;
class QPushButton;
class TrackMedia;

namespace Vexolo {
class PlaylistDocument;
}

// The whole program on one axis: each entry's track with its output lanes and pauses, the runs the
// device plays without waiting drawn continuous and the waits for the remote drawn as breaks, each
// entry's start and each run's running time written on it. It follows the document.
class ProgramTimelineView final : public QWidget
{
    Q_OBJECT

public:
    explicit ProgramTimelineView(QWidget *parent = nullptr);
    // The program as the device plays it: each entry's track name and command string, lengths in milliseconds.
    // Only what places the entries is kept; what one shows is read again from its string when it is drawn.
    void showProgram(const QStringList &names, const QStringList &commandStrings,
                     const QList<Vexolo::TrackLength> &lengths, Vexolo::TimeUnit unit);
    // The entry that plays and where, in milliseconds; row -1 for none.
    void showPlaying(qsizetype row, qint64 position);
    // The entry drawn at x; -1 for none.
    int entryAt(int x) const;
    // Where entry row is drawn, across.
    QRect entryRect(int row) const;
    // What the view draws in words, entry by entry: for the screen reader and the tests.
    QStringList entryTexts() const;
    // The program's running time, all its runs together; none while a length in it is unknown.
    Vexolo::TrackLength total() const;
    qsizetype runs() const { return m_times.runs.size(); }

Q_SIGNALS:
    void entryClicked(int row);
    void entryActivated(int row);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    struct Drawn
    {
        int left = 0;
        int width = 0;
        int textLeft = 0; // where the running times of the runs ending in it are written from
        float end = 0; // the axis end in the times' own numbers
        bool broken = false; // longer than it is drawn
        qint16 findings = 0;
    };
    Vexolo::SwitchPlan planOf(qsizetype row) const;
    int xOf(qsizetype row, double time) const;
    int runTextLines(qsizetype row, const QFontMetrics &metrics) const;
    void paintEntry(QPainter &painter, qsizetype row) const;
    void paintRunTexts(QPainter &painter, qsizetype row) const;
    QStringList m_names;
    QStringList m_strings;
    QList<Vexolo::TrackLength> m_lengths;
    Vexolo::TimeUnit m_unit = Vexolo::TimeUnit::Seconds;
    QList<Drawn> m_entries;
    Vexolo::ProgramTimes m_times;
    int m_bottom = 0; // the height of the running times below the lanes
    qsizetype m_playingRow = -1;
    qint64 m_playhead = 0;
};

// The program timeline window of a playlist document, titled "Program N Timeline". It plays the program as the
// device would, from the playlist's current entry, with Space as the remote; the playlist and the timeline show the
// entry that plays, the lamps its outputs. Any change to the program stops it.
class ProgramTimelineWindow final : public QWidget
{
    Q_OBJECT

public:
    // selection: the playlist's, where the program starts and where the entry that plays is shown.
    ProgramTimelineWindow(Vexolo::PlaylistDocument &document, TrackMedia *media, QItemSelectionModel *selection,
                          QWidget *parent);
    ProgramTimelineView *view() const { return m_view; }
    // Where it opens: where it was when that is on a screen, else beside main, which moves aside where the screen
    // is too narrow for both side by side; keepClear: main's controls, in its own coordinates, never covered.
    void openBeside(QWidget &main, const QRect &keepClear);

    // Play starts the program at the current entry, Stop ends it; Space is the remote.
    void togglePlay();
    void remote();
    bool active() const { return m_play && m_play->state() != Vexolo::ProgramPlay::State::Ended; }

    QPushButton *cmdPlay = nullptr;
    LampsView *lamps = nullptr;
    QLabel *lblPlaying = nullptr;
    Preview preview;

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void refresh();
    void programChanged();
    void retitle();
    void follow();
    void openEntry(qsizetype row);
    void showPosition(qint64 position);
    Vexolo::TrackSettings settingsAt(qsizetype row) const;

    Vexolo::PlaylistDocument &m_document;
    TrackMedia *m_media;
    QPointer<QItemSelectionModel> m_selection;
    ProgramTimelineView *m_view;
    QLabel *m_status;
    QStringList m_names;
    QStringList m_strings; // each entry's command string, read again where its settings are needed
    QList<Vexolo::TrackLength> m_lengths;
    Vexolo::TimeUnit m_unit = Vexolo::TimeUnit::Seconds;
    std::optional<Vexolo::ProgramPlay> m_play;
    qsizetype m_loaded = -1; // the entry whose track the preview holds, or is opened for it
    bool m_opened = false; // the preview holds it
    quint64 m_opening = 0; // the track opened last: an answer for an earlier one is dropped
    QTimer m_lengthsArrived;
};
