#include "show/programtimeline.h"

#include "commands/commandreader.h"
#include "playlist/playlistdocument.h"
#include "show/timelineview.h"
#include "show/trackmedia.h"
#include "widgets/controls.h"
#include "widgets/windowplaces.h"
#include "words/switchwords.h"

#include <QHBoxLayout>
#include <QHelpEvent>
#include <QIODevice>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

using namespace Vexolo;

namespace {

constexpr int EntryLaneHeight = 9;
constexpr int Lanes = LaneCount; // outputs 1 to 8, all outputs, the pauses
constexpr int Top = 40; // two lines of text above the lanes
constexpr int Bottom = 24; // the running times below them
constexpr int PixelsPerSecond = 10;
constexpr int MinimumWidth = 150;
constexpr int LaneNamesWidth = 20; // the lanes' names, 1 to 8, A and P, at the left
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

void ProgramTimelineView::showProgram(const QStringList &names, const QList<TrackSettings> &settings,
                                      const QList<TrackLength> &lengths, TimeUnit unit)
{
    ProgramClock clock(unit);
    m_entries.clear();
    m_unitMilliseconds = millisecondsPer(unit);
    for (qsizetype i = 0; i < settings.size(); ++i) {
        Drawn drawn;
        drawn.name = names.value(i);
        clock.add(settings[i], lengths.value(i));
        const std::optional<double> length = lengths.value(i)
            ? std::optional(double(*lengths.value(i)) / double(millisecondsPer(unit)))
            : std::nullopt;
        drawn.plan = planSwitching(settings[i], length);
        drawn.end = axisEnd(drawn.plan, length);
        for (const SwitchFinding &finding : drawn.plan.findings)
            drawn.findings.append(switchFindingText(finding));
        drawn.width = widthOf(drawn.end * double(millisecondsPer(unit)) / 1000.0);
        m_entries.append(drawn);
    }
    m_times = clock.finish();
    int x = LaneNamesWidth + 4;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        Drawn &drawn = m_entries[i];
        drawn.left = x;
        drawn.start = startText(m_times, i);
        drawn.ends = runEndTexts(m_times, i);
        const bool waits = i + 1 < m_entries.size() && m_times.entries[i + 1].run != m_times.entries[i].lastRun;
        x += drawn.width + (waits ? WaitGap : 2);
    }
    setMinimumSize(x + 8, Top + Lanes * EntryLaneHeight + Bottom);
    setAccessibleDescription(entryTexts().join(u'\n'));
    update();
}

void ProgramTimelineView::showPlaying(qsizetype row, qint64 position)
{
    m_playingRow = row;
    m_playhead = position;
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
    const int lanesBottom = Top + Lanes * EntryLaneHeight;
    const QFontMetrics metrics(font());
    QFont small = font();
    small.setPixelSize(EntryLaneHeight);
    painter.setFont(small);
    painter.setPen(palette().text().color());
    for (int lane = 0; lane < Lanes; ++lane) {
        painter.drawText(QRect(2, lanesTop + lane * EntryLaneHeight, LaneNamesWidth - 4, EntryLaneHeight),
                         Qt::AlignRight, laneLabel(lane));
    }
    painter.setFont(font());
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Drawn &entry = m_entries[i];
        const auto xOf = [&entry](double time) {
            return entry.left + int(double(entry.width) * std::clamp(time / entry.end, 0.0, 1.0));
        };
        if (i == m_playingRow)
            painter.fillRect(entry.left, 0, entry.width, lanesBottom + 4, palette().alternateBase());
        painter.setPen(entry.findings.isEmpty() ? palette().text().color() : FindingColour);
        painter.drawRect(entry.left, lanesTop, entry.width, Lanes * EntryLaneHeight);
        painter.drawText(
            QRect(entry.left + 2, 2, entry.width - 4, metrics.height()), Qt::AlignLeft,
            metrics.elidedText(QStringLiteral("%1) %2").arg(i + 1).arg(entry.name), Qt::ElideRight, entry.width - 4));
        painter.drawText(QRect(entry.left + 2, 2 + metrics.height(), entry.width - 4, metrics.height()), Qt::AlignLeft,
                         metrics.elidedText(entry.start, Qt::ElideRight, entry.width - 4));
        for (int lane = 0; lane < TrackSettings::OutputRows; ++lane) {
            for (const Span &span : entry.plan.spans[lane]) {
                const int left = xOf(span.start);
                const int right = span.open ? entry.left + entry.width : xOf(span.end);
                painter.fillRect(left, lanesTop + lane * EntryLaneHeight + 1, std::max(right - left, 1),
                                 EntryLaneHeight - 2, LaneColour);
            }
        }
        // An auto pause is a wait: the run breaks there.
        for (const Mark &pause : entry.plan.pauses)
            painter.fillRect(xOf(pause.time) - 1, lanesTop - 4, 3, Lanes * EntryLaneHeight + 8, FindingColour);
        if (i == m_playingRow) {
            painter.fillRect(xOf(double(m_playhead) / double(m_unitMilliseconds)), lanesTop - 6, 2,
                             Lanes * EntryLaneHeight + 12, palette().text());
        }
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

namespace {

// What a press of the remote does during a track, by its fade option.
QString remoteText(FadeOption fade)
{
    switch (fade) {
    case FadeOption::Fade1:
        return QStringLiteral("Space fades it and plays the next");
    case FadeOption::Fade2:
        return QStringLiteral("Space cuts to the next");
    case FadeOption::Norm:
    case FadeOption::None:
        break;
    }
    return QStringLiteral("Space fades it and cues the next");
}

} // namespace

ProgramTimelineWindow::ProgramTimelineWindow(PlaylistDocument &document, TrackMedia *media,
                                             QItemSelectionModel *selection, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_document(document)
    , m_media(media)
    , m_selection(selection)
    , m_view(new ProgramTimelineView)
    , m_status(new QLabel)
{
    setObjectName(QStringLiteral("frmProgramTimeline"));
    setAttribute(Qt::WA_DeleteOnClose);
    cmdPlay = new QPushButton(QStringLiteral("Play"));
    cmdPlay->setObjectName(QStringLiteral("cmdPlay"));
    cmdPlay->setToolTip(QStringLiteral("Play the program from the playlist's current entry, or stop it; Space is the "
                                       "remote"));
    Ui::speak(cmdPlay, QStringLiteral("Play or stop the program"));
    connect(cmdPlay, &QPushButton::clicked, this, &ProgramTimelineWindow::togglePlay);
    lamps = new LampsView;
    lblPlaying = new QLabel;
    lblPlaying->setObjectName(QStringLiteral("lblPlaying"));
    auto *controls = new QHBoxLayout;
    controls->addWidget(cmdPlay);
    controls->addWidget(lblPlaying, 1);
    auto *scroll = new QScrollArea;
    scroll->setWidget(m_view);
    scroll->setWidgetResizable(true);
    m_status->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(lamps);
    layout->addWidget(scroll);
    layout->addWidget(m_status);
    resize(900, Top + Lanes * EntryLaneHeight + Bottom + 160);
    // The first time beside the main window, so that the playlist it follows stays in view.
    if (!Ui::restorePlace(*this, QStringLiteral("programTimeline")) && parent)
        Ui::placeBeside(*this, *parent->window());
    connect(new QShortcut(QKeySequence(Qt::Key_Space), this), &QShortcut::activated, this,
            &ProgramTimelineWindow::remote);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    connect(&preview, &Preview::positionChanged, this, &ProgramTimelineWindow::showPosition);
    connect(&preview, &Preview::reachedEnd, this, [this] {
        if (!m_play)
            return;
        m_play->reached();
        follow();
    });
    connect(&document, &PlaylistDocument::rowsInserted, this, &ProgramTimelineWindow::programChanged);
    connect(&document, &PlaylistDocument::rowsRemoved, this, &ProgramTimelineWindow::programChanged);
    connect(&document, &PlaylistDocument::rowsMoved, this, &ProgramTimelineWindow::programChanged);
    connect(&document, &PlaylistDocument::modelReset, this, &ProgramTimelineWindow::programChanged);
    connect(&document, &PlaylistDocument::dataChanged, this, &ProgramTimelineWindow::programChanged);
    // The name changes as it is typed: only the title follows it.
    connect(&document, &PlaylistDocument::nameChanged, this, &ProgramTimelineWindow::retitle);
    connect(&document, &PlaylistDocument::numberChanged, this, &ProgramTimelineWindow::retitle);
    // Lengths arrive one track at a time: a program of many entries is redrawn once for a burst of them.
    m_lengthsArrived.setSingleShot(true);
    m_lengthsArrived.setInterval(50);
    connect(&m_lengthsArrived, &QTimer::timeout, this, &ProgramTimelineWindow::refresh);
    if (media)
        connect(media, &TrackMedia::lengthRead, &m_lengthsArrived, qOverload<>(&QTimer::start));
    refresh();
    follow();
}

void ProgramTimelineWindow::hideEvent(QHideEvent *event)
{
    Ui::rememberPlace(*this, QStringLiteral("programTimeline"));
    QWidget::hideEvent(event);
}

void ProgramTimelineWindow::programChanged()
{
    // What plays is no longer the program: it stops.
    m_play.reset();
    refresh();
    follow();
}

void ProgramTimelineWindow::refresh()
{
    const QStringList names = m_document.names();
    const QStringList strings = m_document.commandStrings();
    // Each string read once, for the view, the times and the preview.
    m_settings.resize(strings.size());
    m_lengths.clear();
    for (qsizetype i = 0; i < strings.size(); ++i) {
        m_settings[i] = TrackSettings();
        readCommandString(m_settings[i], strings[i]);
        m_lengths.append(m_media ? m_media->length(names.value(i)).value_or(std::nullopt) : std::nullopt);
    }
    m_unit = rememberedUnit();
    m_view->showProgram(names, m_settings, m_lengths, m_unit);
    retitle();
    m_status->setText(QStringLiteral("Times in %1, as the advanced window's timeline reads them. A red bar is an auto "
                                     "pause, a gap a wait for the remote; click an entry to select it, double-click "
                                     "to edit it.")
                          .arg(unitName(m_unit)));
}

void ProgramTimelineWindow::retitle()
{
    setWindowTitle(QStringLiteral("Program ") + m_document.number().text() + QStringLiteral(" Timeline")
                   + (m_document.name().isEmpty() ? QString() : QStringLiteral(": ") + m_document.name()));
}

void ProgramTimelineWindow::togglePlay()
{
    if (active()) {
        m_play.reset();
    } else {
        const int current = m_selection ? m_selection->currentIndex().row() : -1;
        m_play.emplace(m_settings, m_lengths, m_unit);
        m_play->start(std::max(current, 0));
        m_loaded = -1;
    }
    follow();
}

void ProgramTimelineWindow::remote()
{
    if (!active()) {
        togglePlay();
        return;
    }
    m_play->remote(preview.position());
    follow();
}

// The preview and what the window shows follow where the program is.
void ProgramTimelineWindow::follow()
{
    using State = ProgramPlay::State;
    const State state = m_play ? m_play->state() : State::Ended;
    const qsizetype row = state == State::Ended ? -1 : m_play->row();
    if (state == State::Playing || state == State::Fading) {
        if (m_loaded != row)
            openEntry(row);
        preview.setEnd(m_play->stopAt());
        if (m_opened && !preview.playing()) {
            preview.seek(m_play->position());
            preview.play();
        }
    } else {
        preview.stop();
    }
    cmdPlay->setText(state == State::Ended ? QStringLiteral("Play") : QStringLiteral("Stop"));
    if (row >= 0 && m_selection)
        m_selection->setCurrentIndex(m_document.index(int(row)), QItemSelectionModel::ClearAndSelect);
    showPosition(m_play ? m_play->position() : 0);
}

// The entry's track, opened on the card's worker; it plays once it is there.
void ProgramTimelineWindow::openEntry(qsizetype row)
{
    m_loaded = row;
    m_opened = false;
    preview.stop();
    if (!m_media) {
        preview.setTrack(nullptr, m_play->stopAt());
        m_opened = true;
        return;
    }
    m_media->open(m_settings[row].trackName, this, [this, opening = ++m_opening](std::unique_ptr<QIODevice> file) {
        if (opening != m_opening || !m_play)
            return;
        preview.setTrack(std::move(file), m_play->stopAt());
        m_opened = true;
        follow();
    });
}

void ProgramTimelineWindow::showPosition(qint64 position)
{
    using State = ProgramPlay::State;
    const State state = m_play ? m_play->state() : State::Ended;
    if (state == State::Ended) {
        m_view->showPlaying(-1, {});
        lamps->show({});
        lblPlaying->setText(m_play ? QStringLiteral("End of the program.")
                                   : QStringLiteral("Play, or Space, plays the program from the current entry."));
        return;
    }
    const qsizetype row = m_play->row();
    const TrackSettings &settings = m_settings[row];
    m_view->showPlaying(row, position);
    lamps->show(lampsAt(settings, double(position) / double(millisecondsPer(m_unit))));
    preview.setVolume(volumeLevel(settings.volume) * m_play->gainAt(position));
    const QString entry = QStringLiteral("%1) %2").arg(row + 1).arg(settings.trackName);
    const QString at = clockText(position);
    QString text;
    if (state == State::Playing)
        text = entry + QStringLiteral(" plays \u00b7 %1 \u00b7 ").arg(at) + remoteText(settings.fade);
    else if (state == State::Fading)
        text = entry + QStringLiteral(" fades \u00b7 %1").arg(at);
    else if (m_play->cued())
        text = entry + QStringLiteral(" is cued and waits for the remote \u00b7 Space plays it");
    else
        text = entry + QStringLiteral(" waits for the remote at the auto pause at %1 \u00b7 Space plays on").arg(at);
    if (preview.silent())
        text += QStringLiteral(" (silent)");
    lblPlaying->setText(text);
}
