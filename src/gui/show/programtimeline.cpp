#include "show/programtimeline.h"

#include "commands/commandreader.h"
#include "playlist/playlistdocument.h"
#include "show/timelineview.h"
#include "show/trackmedia.h"
#include "widgets/controls.h"
#include "widgets/windowplaces.h"
#include "words/switchwords.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIODevice>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

using namespace Vexolo;

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

constexpr QSize Wanted(900, 400);
constexpr int MinimumWidth = 400;
const QString PlaceKey = QStringLiteral("programTimeline");

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
    // What plays, however long, wraps onto a second line: it never widens the window past the screen.
    lblPlaying->setWordWrap(true);
    lblPlaying->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblPlaying->setMinimumHeight(2 * lblPlaying->fontMetrics().lineSpacing());
    auto *controls = new QHBoxLayout;
    controls->addWidget(cmdPlay);
    controls->addWidget(lblPlaying, 1);
    auto *scroll = new QScrollArea;
    scroll->setWidget(m_view);
    scroll->setWidgetResizable(true);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setWordWrap(true);
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setMinimumHeight(2 * m_status->fontMetrics().lineSpacing());
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(lamps);
    layout->addWidget(scroll);
    layout->addWidget(m_status);
    setMinimumWidth(MinimumWidth);
    resize(Wanted);
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

void ProgramTimelineWindow::openBeside(QWidget &main, const QRect &keepClear)
{
    const QScreen *screen = main.screen();
    if (!screen)
        return;
    QList<QRect> rooms;
    for (const QScreen *each : QGuiApplication::screens())
        rooms.append(each->availableGeometry());
    QRect anchor = main.frameGeometry();
    const QRect before = anchor;
    const QSize frame = anchor.size() - main.size(); // the title bar and borders, as the main window has them
    const QRect place = Ui::openingPlace(rooms, Ui::keptFrame(PlaceKey), screen->availableGeometry(), anchor,
                                         keepClear.translated(main.geometry().topLeft()), Wanted + frame,
                                         minimumSizeHint().expandedTo(minimumSize()) + frame);
    if (anchor != before)
        main.move(anchor.topLeft());
    // Never wider than the screen it is on, whatever it is asked to show.
    setMaximumWidth(screen->availableGeometry().width() - frame.width());
    resize(place.size() - frame);
    move(place.topLeft());
}

void ProgramTimelineWindow::hideEvent(QHideEvent *event)
{
    Ui::rememberFrame(*this, PlaceKey);
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
    m_names = m_document.names();
    m_strings = m_document.commandStrings();
    m_lengths.clear();
    m_lengths.reserve(m_names.size());
    for (const QString &name : std::as_const(m_names))
        m_lengths.append(m_media ? m_media->length(name).value_or(std::nullopt) : std::nullopt);
    m_unit = rememberedUnit();
    m_view->showProgram(m_names, m_strings, m_lengths, m_unit);
    retitle();
    const TrackLength total = m_view->total();
    m_status->setText(QStringLiteral("Total %1 in %2 %3. Times in %4, as the advanced window's timeline reads them. A "
                                     "red bar is an auto pause, a gap a wait for the remote; click an entry to select "
                                     "it, double-click to edit it.")
                          .arg(m_names.isEmpty() ? QStringLiteral("0:00.0") : clockText(total))
                          .arg(m_view->runs())
                          .arg(m_view->runs() == 1 ? QStringLiteral("run") : QStringLiteral("runs"))
                          .arg(unitName(m_unit)));
}

TrackSettings ProgramTimelineWindow::settingsAt(qsizetype row) const
{
    TrackSettings settings;
    readCommandString(settings, m_strings.value(row));
    return settings;
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
        // Read one entry at a time: the settings of a long program are never all held.
        m_play.emplace(m_unit);
        for (qsizetype i = 0; i < m_strings.size(); ++i)
            m_play->add(settingsAt(i), m_lengths.value(i));
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
    m_media->open(settingsAt(row).trackName, this, [this, opening = ++m_opening](std::unique_ptr<QIODevice> file) {
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
    const TrackSettings settings = settingsAt(row);
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
