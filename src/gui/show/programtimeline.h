#pragma once

#include "commands/programtimes.h"
#include "commands/switching.h"

#include <QWidget>

class QLabel;
class QScrollArea;
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
    // The program as the device plays it; lengths in milliseconds, one per entry.
    void showProgram(const QStringList &names, const QStringList &commandStrings,
                     const QList<Vexolo::TrackLength> &lengths, Vexolo::TimeUnit unit);
    // The entry drawn at x; -1 for none.
    int entryAt(int x) const;
    // What the view draws in words, entry by entry: for the screen reader and the tests.
    QStringList entryTexts() const;

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
        QString name;
        Vexolo::SwitchPlan plan;
        double end = 0; // the axis end in the times' own numbers
        int left = 0;
        int width = 0;
        QStringList findings;
        QString start; // where it starts in its run
        QStringList ends; // the runs that end in it
    };
    QList<Drawn> m_entries;
    Vexolo::ProgramTimes m_times;
};

// The program timeline window of a playlist document, titled "Program N Timeline".
class ProgramTimelineWindow final : public QWidget
{
    Q_OBJECT

public:
    ProgramTimelineWindow(Vexolo::PlaylistDocument &document, TrackMedia *media, QWidget *parent);
    ProgramTimelineView *view() const { return m_view; }

private:
    void refresh();
    void retitle();

    Vexolo::PlaylistDocument &m_document;
    TrackMedia *m_media;
    ProgramTimelineView *m_view;
    QLabel *m_status;
};
