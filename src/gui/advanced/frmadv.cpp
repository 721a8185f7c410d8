#include "frmadv.h"

#include "commands/commandencoder.h"
#include "commands/commandreader.h"
#include "commands/textnumber.h"
#include "platform/platformadapter.h"
#include "widgets/controls.h"
#include "widgets/windowplaces.h"
#include "words/switchwords.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include <algorithm>

using namespace Vexolo::Ui;

namespace {

using Vexolo::FadeOption;
using Vexolo::TrackSettings;

constexpr int AdvWidth = 856;
constexpr int AdvHeight = 662;

// The pause fields, the On/Off captions and the output rows share these columns.
constexpr int ColumnLeft = 166;
constexpr int ColumnStep = 67;
constexpr int FieldWidth = 55;
constexpr int PauseTop = 86;
constexpr int PauseHeight = 28;
constexpr int OnOffTop = 201;
constexpr int OnOffHeight = 28;
constexpr int OutputTop = 241;
constexpr int OutputStep = 38;
constexpr int OutputHeight = 26;
constexpr int RowCaptionLeft = 68;
constexpr int RowCaptionWidth = 75;

const QColor FieldGrey(0xd8, 0xd8, 0xd8);
const QColor OnGreen(0x00, 0x80, 0x00);
const QColor OffRed(0xff, 0x00, 0x00);

int columnLeft(int column)
{
    return ColumnLeft + ColumnStep * column;
}

int outputTop(int row)
{
    return OutputTop + OutputStep * row;
}

QGroupBox *groupBox(QWidget *window, const char *name, QRect geometry)
{
    return place(window, new QGroupBox(window), QLatin1String(name), QString(), geometry);
}

QRadioButton *option(QWidget *container, const char *name, const QString &caption, QRect geometry)
{
    // Qt shows a doubled "&" as one, so the caption goes in as written; the accessible name is
    // what the user reads.
    QString shown = caption;
    shown.replace(QLatin1String("&&"), QLatin1String("&"));
    auto *control = place(container, new QRadioButton(caption, container), QLatin1String(name), shown, geometry);
    control->setFont(arial(12));
    return control;
}

QString indexed(const QString &name, int index)
{
    return QStringLiteral("%1(%2)").arg(name).arg(index);
}

QString outputRowName(int row)
{
    return row == TrackSettings::AllRow ? QStringLiteral("txtOutputAll") : QStringLiteral("txtOutput%1").arg(row + 1);
}

// "Output 3", "All outputs": what a screen reader says for a row.
QString outputName(int row)
{
    return row == TrackSettings::AllRow ? QStringLiteral("All outputs") : QStringLiteral("Output %1").arg(row + 1);
}

// "On time 2", "Off time 2": column i of the output grid, numbered in pairs.
QString timeName(int column)
{
    return (column % 2 == 0 ? QStringLiteral("On time %1") : QStringLiteral("Off time %1")).arg(column / 2 + 1);
}

QPointer<frmAdv> &openAdvancedWindow()
{
    static QPointer<frmAdv> window;
    return window;
}

} // namespace

frmAdv::frmAdv(PlatformAdapter &platform, QWidget &owner)
    : QWidget(&owner,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                  | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
    , m_platform(platform)
{
    setObjectName(QStringLiteral("frmAdv"));
    setWindowTitle(QStringLiteral("Advanced Settings Form"));
    setWindowIcon(QIcon(QStringLiteral(":/images/icon.png")));
    setFixedSize(AdvWidth, AdvHeight);
    setAttribute(Qt::WA_DeleteOnClose);
    // Black captions on the light grey they were designed on, under a dark desktop theme too.
    setPalette(designPalette(QColor(0xf0, 0xf0, 0xf0)));

    createControls();
    bindHandlers();
    if (!restorePlace(*this, QStringLiteral("frmAdv")))
        centre(*this, &owner);
}

frmAdv::~frmAdv() = default;

frmAdv *frmAdv::instance(PlatformAdapter &platform, QWidget &owner)
{
    QPointer<frmAdv> &window = openAdvancedWindow();
    if (window && window->owner() != &owner)
        window->discard();
    if (!window) {
        window = new frmAdv(platform, owner);
        window->show();
    }
    return window;
}

frmAdv *frmAdv::existing()
{
    return openAdvancedWindow();
}

void frmAdv::createControls()
{
    const QFont caption18 = arial(18, false, true);

    // A long track name is elided in the middle; the tooltip shows all of it.
    lblName = label(this, QStringLiteral("lblName"), QStringLiteral("Track Name"), {20, 21, 515, 47},
                    arial(20, true, true), Qt::AlignHCenter, Qt::black, new ElidedLabel(this));
    speak(lblName, QStringLiteral("Track name"));

    frameVolume = groupBox(this, "frameVolume", {547, 14, 289, 55});
    lblVolume = label(frameVolume, QStringLiteral("lblVolume"), QStringLiteral("Volume"), {560, 30, 68, 31}, caption18,
                      Qt::AlignLeft);
    speak(frameVolume, QStringLiteral("Volume"));
    cmdMinus = button(frameVolume, QStringLiteral("cmdMinus"), QStringLiteral("-"), {686, 30, 30, 31});
    speak(cmdMinus, QStringLiteral("Volume down"));
    txtVol = field(frameVolume, QStringLiteral("txtVol"), QStringLiteral("7"), {728, 30, 46, 31}, arial(18), Qt::white);
    txtVol->setReadOnly(true);
    speak(txtVol, QStringLiteral("Volume"), QStringLiteral("Changed with the minus and plus buttons"));
    cmdPlus = button(frameVolume, QStringLiteral("cmdPlus"), QStringLiteral("+"), {786, 30, 30, 31});
    speak(cmdPlus, QStringLiteral("Volume up"));

    GroupBox1 = groupBox(this, "GroupBox1", {20, 70, 816, 55});
    lblPause = label(GroupBox1, QStringLiteral("lblPause"), QStringLiteral("Auto Pause"), {35, 86, 108, 28}, caption18,
                     Qt::AlignRight);
    for (int i = 0; i < Columns; ++i) {
        m_txtPause[i] = field(GroupBox1, indexed(QStringLiteral("txtPause"), i), QString(),
                              {columnLeft(i), PauseTop, FieldWidth, PauseHeight}, arial(18), FieldGrey,
                              SingleLineValidator::NoBlanks);
        speak(m_txtPause[i], QStringLiteral("Auto pause %1").arg(i + 1));
    }
    speak(GroupBox1, QStringLiteral("Auto pause times"));

    GroupBox3 = groupBox(this, "GroupBox3", {20, 128, 628, 54});
    lblFade = label(GroupBox3, QStringLiteral("lblFade"), QStringLiteral("Remote Fade"), {35, 144, 108, 28}, caption18,
                    Qt::AlignRight);
    optFadeNorm = option(GroupBox3, "optFadeNorm", QStringLiteral("Fade && Que Next"), {166, 151, 128, 16});
    optFade1 = option(GroupBox3, "optFade1", QStringLiteral("Fade - Que && Play Next"), {300, 151, 172, 16});
    optFade2 = option(GroupBox3, "optFade2", QStringLiteral("No Fade - Que && Play Next"), {460, 151, 174, 16});

    speak(GroupBox3, QStringLiteral("Remote fade"));
    GroupBox4 = groupBox(this, "GroupBox4", {654, 128, 182, 54});
    speak(GroupBox4, QStringLiteral("Auto play next track"));
    const QString playNext = QStringLiteral("Auto Play Next Track");
    chkPlayNext = place(GroupBox4, new QCheckBox(playNext, GroupBox4), QStringLiteral("chkPlayNext"), playNext,
                        {680, 149, 131, 20});
    // The desktop's own font cuts the caption off in 131 pixels; Arial 11 fits on every platform.
    chkPlayNext->setFont(arial(11));

    GroupBox2 = groupBox(this, "GroupBox2", {20, 184, 816, 409});
    speak(GroupBox2, QStringLiteral("Output times"),
          QStringLiteral("For each output, and for all outputs at once, up to five on and five off times"));
    lblOutput = label(GroupBox2, QStringLiteral("lblOutput"), QStringLiteral("Outputs"), {35, 201, 108, 28}, caption18,
                      Qt::AlignRight);
    for (int i = 0; i < Columns; ++i) {
        const bool on = i % 2 == 0;
        m_lblOnOff[i] = label(
            GroupBox2, indexed(QStringLiteral("lblOnOff"), i), on ? QStringLiteral("On") : QStringLiteral("Off"),
            {columnLeft(i), OnOffTop, FieldWidth, OnOffHeight}, arial(16), Qt::AlignHCenter, on ? OnGreen : OffRed);
        speak(m_lblOnOff[i], timeName(i));
    }
    for (int row = 0; row < OutputRows; ++row) {
        const QString caption = row == TrackSettings::AllRow ? QStringLiteral("ALL") : QString::number(row + 1);
        m_staticText[row]
            = label(GroupBox2, QStringLiteral("StaticText%1").arg(row + 1), caption,
                    {RowCaptionLeft, outputTop(row), RowCaptionWidth, OutputHeight}, caption18, Qt::AlignRight);
        speak(m_staticText[row], outputName(row));
    }
    // Row by row, so that the tab key runs along a row.
    for (int row = 0; row < OutputRows; ++row) {
        for (int i = 0; i < Columns; ++i) {
            m_txtOutput[row][i] = field(GroupBox2, indexed(outputRowName(row), i), QString(),
                                        {columnLeft(i), outputTop(row), FieldWidth, OutputHeight}, arial(18), FieldGrey,
                                        SingleLineValidator::NoBlanks);
            speak(m_txtOutput[row][i], outputName(row) + QStringLiteral(", ") + timeName(i).toLower());
        }
    }

    cmdSave = button(this, QStringLiteral("cmdSave"), QStringLiteral("Save"), {205, 616, 150, 26});
    speak(cmdSave, QStringLiteral("Save settings"), QStringLiteral("Saves the settings to the track and closes"));
    cmdCancel = button(this, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"), {367, 616, 150, 26});
    cmdClear = button(this, QStringLiteral("cmdClear"), QStringLiteral("Clear All Values"), {586, 616, 130, 26});
    // Below the buttons, in the room the window leaves there: what a Save here changes.
    lblTarget = label(this, QStringLiteral("lblTarget"), QString(), {20, 644, 816, 16}, arial(9), Qt::AlignHCenter);
}

void frmAdv::bindHandlers()
{
    connect(cmdMinus, &QPushButton::clicked, this, &frmAdv::cmdMinus_Action);
    connect(cmdPlus, &QPushButton::clicked, this, &frmAdv::cmdPlus_Action);
    connect(cmdSave, &QPushButton::clicked, this, &frmAdv::cmdSave_Action);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAdv::cmdCancel_Action);
    connect(cmdClear, &QPushButton::clicked, this, &frmAdv::cmdClear_Action);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &frmAdv::escape);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this), &QShortcut::activated, this, [this] {
        if (m_showTimeline)
            m_showTimeline();
    });
    for (int i = 0; i < Columns; ++i) {
        connect(m_txtPause[i], &QLineEdit::textChanged, this, &frmAdv::fieldsChanged);
        for (int row = 0; row < OutputRows; ++row)
            connect(m_txtOutput[row][i], &QLineEdit::textChanged, this, &frmAdv::fieldsChanged);
    }
    // Save as in the main window; Return stays with the fields, as there is no default button.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this), &QShortcut::activated, cmdSave,
            &QPushButton::click);
}

void frmAdv::followFields(QObject *context, std::function<void()> changed)
{
    connect(this, &frmAdv::fieldsChanged, context, std::move(changed));
}

Vexolo::TrackSettings frmAdv::settings() const
{
    TrackSettings settings;
    settings.trackName = lblName->text();
    if (optFadeNorm->isChecked())
        settings.fade = FadeOption::Norm;
    else if (optFade1->isChecked())
        settings.fade = FadeOption::Fade1;
    else if (optFade2->isChecked())
        settings.fade = FadeOption::Fade2;
    settings.playNext = chkPlayNext->isChecked();
    settings.volume = txtVol->text();
    for (int i = 0; i < Columns; ++i) {
        settings.pauses[i] = m_txtPause[i]->text();
        for (int row = 0; row < OutputRows; ++row)
            settings.outputs[row][i] = m_txtOutput[row][i]->text();
    }
    return settings;
}

void frmAdv::showSettings(const Vexolo::TrackSettings &settings)
{
    lblName->setText(settings.trackName);
    lblName->setAccessibleDescription(settings.trackName);
    lblName->setToolTip(settings.trackName);
    const std::array<std::pair<QRadioButton *, FadeOption>, 3> options {
        {{optFadeNorm, FadeOption::Norm}, {optFade1, FadeOption::Fade1}, {optFade2, FadeOption::Fade2}}};
    // Auto-exclusive: the one checked unchecks the others. "None selected" comes only while none is, as the reader
    // keeps the option shown when a string names none.
    for (const auto &[button, fade] : options)
        button->setChecked(settings.fade == fade);
    chkPlayNext->setChecked(settings.playNext);
    txtVol->setText(settings.volume);
    for (int i = 0; i < Columns; ++i) {
        m_txtPause[i]->setText(settings.pauses[i]);
        for (int row = 0; row < OutputRows; ++row)
            m_txtOutput[row][i]->setText(settings.outputs[row][i]);
    }
    Q_EMIT fieldsChanged();
}

QLineEdit *frmAdv::focusedTimeField() const
{
    auto *focused = qobject_cast<QLineEdit *>(focusWidget());
    const auto isTimeField
        = [focused](const auto &fields) { return std::find(fields.cbegin(), fields.cend(), focused) != fields.cend(); };
    if (focused && (isTimeField(m_txtPause) || std::any_of(m_txtOutput.cbegin(), m_txtOutput.cend(), isTimeField)))
        return focused;
    return {};
}

void frmAdv::InitForm(const QString &commandString, const Vexolo::Ui::AdvancedTarget &target, int index)
{
    m_target = target;
    m_workingIndex = index;
    lblTarget->setText(target.onCard()
                           ? QStringLiteral("The card's track: Save writes these settings to the card at once.")
                           : QStringLiteral("Playlist entry %1: Save keeps these settings in the playlist until the "
                                            "program is saved.")
                                 .arg(index + 1));
    // The current fade option and tick stay when the string carries no mode character.
    TrackSettings read = settings();
    const bool named = Vexolo::readCommandString(read, commandString);
    showSettings(read);
    m_opened = read;
    if (!named)
        m_platform.tell(QStringLiteral("Could not extract filename from string:") + commandString.trimmed());
    // An open window may be minimised or behind the main window.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void frmAdv::ClearForm()
{
    TrackSettings cleared = settings();
    Vexolo::ClearForm(cleared);
    showSettings(cleared);
}

void frmAdv::cmdMinus_Action()
{
    stepVolume(-1);
}

void frmAdv::cmdPlus_Action()
{
    stepVolume(+1);
}

void frmAdv::stepVolume(int delta)
{
    txtVol->setText(Vexolo::stepDigit(txtVol->text(), delta));
}

void frmAdv::cmdSave_Action()
{
    const Vexolo::EncodedCommandString encoded = Vexolo::encodeTrackSettings(settings());
    if (encoded.tooLong()) {
        m_platform.tell(tooLongText(encoded));
        return;
    }
    Q_EMIT settingsSaved(m_target, encoded.text);
    discard();
}

void frmAdv::cmdCancel_Action()
{
    hide();
}

void frmAdv::escape()
{
    // Typed times are not dropped without asking, as the main window asks about a playlist.
    if (settings() != m_opened) {
        const QString question = QStringLiteral("The settings of ") + lblName->text()
            + QStringLiteral(" have changes that are not saved.");
        switch (m_platform.askSaveDiscardCancel(question)) {
        case PlatformAdapter::AnswerSave:
            cmdSave_Action();
            return;
        case PlatformAdapter::AnswerDiscard:
            break;
        default:
            return;
        }
    }
    cmdCancel_Action();
}

void frmAdv::cmdClear_Action()
{
    ClearForm();
}

void frmAdv::discard()
{
    if (openAdvancedWindow() == this)
        openAdvancedWindow() = nullptr;
    close();
}

void frmAdv::hideEvent(QHideEvent *event)
{
    rememberPlace(*this, QStringLiteral("frmAdv"));
    QWidget::hideEvent(event);
}

void frmAdv::closeEvent(QCloseEvent *event)
{
    // Forgotten at once: the deletion is deferred, and the next use must build a new window.
    if (openAdvancedWindow() == this)
        openAdvancedWindow() = nullptr;
    event->accept();
}
