#include "timelinewindow.h"
#include "words/switchwords.h"

#include "show/timedfields.h"
#include "show/timelineview.h"
#include "show/trackmedia.h"
#include "widgets/controls.h"
#include "widgets/windowplaces.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QIODevice>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Vexolo;

namespace {

QString valueText(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

TimelineWindow::TimelineWindow(TimedFields &fields, TrackMedia *media)
    : QWidget(&fields.fieldsWindow(), Qt::Window)
    , m_fields(fields)
    , m_adv(&fields.fieldsWindow())
    , m_advObject(&fields.fieldsWindow())
    , m_media(media)
{
    setObjectName(QStringLiteral("timelineWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setPalette(Ui::designPalette(QColor(0xf0, 0xf0, 0xf0)));
    setWindowIcon(QIcon(QStringLiteral(":/images/icon.png")));
    m_unit = rememberedUnit();
    createControls();

    fields.followFields(this, [this] { refresh(); });
    m_adv->installEventFilter(this);
    if (m_media)
        connect(m_media, &TrackMedia::lengthRead, this, &TimelineWindow::lengthRead);
    connect(&preview, &Preview::positionChanged, this, &TimelineWindow::showPlayhead);
    connect(&preview, &Preview::playingChanged, this,
            [this](bool playing) { cmdPlay->setText(playing ? QStringLiteral("Stop") : QStringLiteral("Play")); });
    connect(&preview, &Preview::silentChanged, this, &TimelineWindow::refresh);
    connect(view, &TimelineView::playheadWanted, this,
            [this](double time) { preview.seek(qint64(time * millisecondsPerUnit())); });

    const QKeySequence writeKey(Qt::CTRL | Qt::Key_Return);
    connect(new QShortcut(QKeySequence(Qt::Key_Space), this), &QShortcut::activated, &preview, &Preview::toggle);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    connect(new QShortcut(writeKey, this), &QShortcut::activated, this, &TimelineWindow::writePlayheadTime);
    // Where the user types the times, the same key writes the playhead's time.
    m_advShortcut = new QShortcut(writeKey, m_adv);
    connect(m_advShortcut, &QShortcut::activated, this, &TimelineWindow::writePlayheadTime);
    refresh();
}

TimelineWindow::~TimelineWindow()
{
    delete m_advShortcut;
}

void TimelineWindow::createControls()
{
    cmdPlay = new QPushButton(QStringLiteral("Play"), this);
    cmdPlay->setObjectName(QStringLiteral("cmdPlay"));
    cmdPlay->setToolTip(QStringLiteral("Play or stop the preview (Space)"));
    Ui::speak(cmdPlay, QStringLiteral("Play or stop the preview"));
    connect(cmdPlay, &QPushButton::clicked, &preview, &Preview::toggle);
    lblPlayhead = new QLabel(this);
    lblPlayhead->setObjectName(QStringLiteral("lblPlayhead"));
    auto *unitCaption = new QLabel(QStringLiteral("One number of a time is:"), this);
    cboUnit = new QComboBox(this);
    cboUnit->setObjectName(QStringLiteral("cboUnit"));
    cboUnit->addItems({unitName(TimeUnit::Seconds), unitName(TimeUnit::Tenths)});
    cboUnit->setCurrentIndex(m_unit == TimeUnit::Seconds ? 0 : 1);
    unitCaption->setBuddy(cboUnit);
    Ui::speak(cboUnit, QStringLiteral("What one number of a time is"));
    connect(cboUnit, &QComboBox::activated, this,
            [this](int index) { setUnit(index == 0 ? TimeUnit::Seconds : TimeUnit::Tenths); });

    // Two rows, so the window fits beside the advanced window on a small screen.
    lblPlayhead->setWordWrap(true);
    auto *controls = new QHBoxLayout;
    controls->addWidget(cmdPlay);
    controls->addWidget(lblPlayhead, 1);
    auto *unitRow = new QHBoxLayout;
    unitRow->addWidget(unitCaption);
    unitRow->addWidget(cboUnit);
    unitRow->addStretch(1);

    lamps = new LampsView(this);
    view = new TimelineView(this);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(unitRow);
    layout->addWidget(lamps);
    layout->addWidget(view);
    layout->addWidget(lblStatus);
    layout->addStretch(1);
}

void TimelineWindow::showBeside(TimedFields &fields, TrackMedia *media)
{
    auto *window = fields.fieldsWindow().findChild<TimelineWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new TimelineWindow(fields, media);
        window->adjustSize();
        window->placeBeside();
    }
    window->show();
    window->raise();
}

void TimelineWindow::placeBeside()
{
    // Beside the advanced window, in the room the screen has, narrower where it must: never over its Save.
    const QScreen *screen = m_adv->screen();
    if (!screen)
        return;
    QRect adv = m_adv->frameGeometry();
    const QSize frame = adv.size() - m_adv->size(); // the title bar and borders, as the advanced window has them
    const QRect place = Ui::placeBeside(screen->availableGeometry(), adv, size() + frame, minimumSizeHint() + frame);
    if (adv.topLeft() != m_adv->frameGeometry().topLeft())
        m_adv->move(adv.topLeft());
    resize(place.size() - frame);
    move(place.topLeft());
}

double TimelineWindow::millisecondsPerUnit() const
{
    return double(millisecondsPer(m_unit));
}

std::optional<double> TimelineWindow::lengthInUnits() const
{
    return m_length ? std::optional(double(*m_length) / millisecondsPerUnit()) : std::nullopt;
}

void TimelineWindow::setUnit(TimeUnit unit)
{
    if (unit == m_unit)
        return;
    m_unit = unit;
    cboUnit->setCurrentIndex(unit == TimeUnit::Seconds ? 0 : 1);
    rememberUnit(unit);
    preview.stop();
    preview.seek(0);
    refresh();
}

void TimelineWindow::refresh()
{
    if (!m_adv)
        return;
    m_settings = m_fields.settings();
    if (m_settings.trackName != m_track) {
        // Another track in the advanced window: its own length and sound.
        m_track = m_settings.trackName;
        m_notice.clear();
        openTrack();
        setWindowTitle(QStringLiteral("Timeline \u2013 ") + m_track);
    }
    const std::optional<double> length = lengthInUnits();
    view->showSettings(m_settings, length, lengthText(m_length));
    preview.setEnd(qint64(view->axisEnd() * millisecondsPerUnit()));

    QStringList status;
    if (preview.silent())
        status << preview.silentReason();
    const int findings = int(view->plan().findings.size());
    if (findings > 0)
        status << QStringLiteral("%1 to check: point at the red marks for what they mean.").arg(findings);
    if (!m_notice.isEmpty())
        status << m_notice;
    lblStatus->setText(status.join(u' '));
    showPlayhead(preview.position());
}

void TimelineWindow::openTrack()
{
    m_length = std::nullopt;
    if (!m_media) {
        preview.setTrack(nullptr, 0);
        return;
    }
    // Opened on the card's worker, before the length is read there: the sound is in place when the length comes.
    preview.stop();
    m_media->open(m_track, this, [this, track = m_track](std::unique_ptr<QIODevice> file) {
        if (track != m_track)
            return;
        preview.setTrack(std::move(file), 0);
        refresh();
    });
    m_length = m_media->length(m_track).value_or(std::nullopt);
}

void TimelineWindow::lengthRead(const QString &trackName)
{
    if (trackName != m_track || !m_media)
        return;
    m_length = m_media->length(trackName).value_or(std::nullopt);
    refresh();
}

void TimelineWindow::showPlayhead(qint64 position)
{
    const double time = double(position) / millisecondsPerUnit();
    view->setPlayhead(time);
    lamps->show(lampsAt(m_settings, time));
    lblPlayhead->setText(
        QStringLiteral("Playhead %1 of %2 (%3)").arg(valueText(time), valueText(view->axisEnd()), unitName(m_unit)));
}

void TimelineWindow::writePlayheadTime()
{
    QLineEdit *field = m_adv ? m_fields.focusedTimeField() : nullptr;
    if (!field) {
        m_notice = QStringLiteral("Click a time field in the advanced window first, then press Ctrl+Return.");
        refresh();
        return;
    }
    m_notice.clear();
    field->setText(QString::number(qRound64(double(preview.position()) / millisecondsPerUnit())));
}

bool TimelineWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The timeline goes with its advanced window when that is hidden (Cancel).
    // Compared as the object it was: the filter also sees the events of its last moments, when it is a widget no more.
    if (watched == m_advObject && event->type() == QEvent::Hide) {
        preview.stop();
        hide();
    }
    return QWidget::eventFilter(watched, event);
}
