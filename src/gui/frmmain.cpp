#include "frmmain.h"

#include "controls.h"
#include "platform/platformadapter.h"
#include "singlelinevalidator.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>
#include <tuple>

// Outside any namespace, as Qt's resource initialiser requires.
static void initVexoloResources()
{
    Q_INIT_RESOURCE(vexolo);
}

namespace {

constexpr int WindowWidth = 763;
constexpr int WindowHeight = 523;

const QColor DarkBlue(0x00, 0x40, 0x80);
const QColor Silver(0xc0, 0xc0, 0xc0);

// The resources live in a static library: register them before the first use.
void ensureResources()
{
    static const bool registered = [] {
        initVexoloResources();
        return true;
    }();
    Q_UNUSED(registered);
}

QListWidget *list(QWidget *parent, const QString &name, QRect geometry)
{
    auto *control = Vexolo::Ui::place(parent, new QListWidget(parent), name, QString(), geometry);
    control->setSelectionMode(QAbstractItemView::SingleSelection);
    control->setUniformItemSizes(true); // big cards: no per-row size computation
    return control;
}

QPointer<frmMain> &implicitInstance()
{
    static QPointer<frmMain> window;
    return window;
}

} // namespace

using namespace Vexolo::Ui;

frmMain::frmMain(PlatformAdapter &platform, Vexolo::FileOps &ops, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                  | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
    , m_platform(platform)
    , m_store(ops)
{
    ensureResources();
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(QIcon(QStringLiteral(":/images/icon.png")));
    setWindowTitle(QStringLiteral("Vexolo Playlist Setup"));
    setFixedSize(WindowWidth, WindowHeight);
    setPalette(designPalette(Qt::black));
    setAutoFillBackground(true);

    createControls();
    bindHandlers();
    setUpEditing();
    m_platform.watchVolumes(this, [this] { followVolumes(); });

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(WindowWidth / 2, WindowHeight / 2));
    }
    if (!implicitInstance())
        implicitInstance() = this;
}

frmMain::~frmMain() = default;

frmMain *frmMain::instance(PlatformAdapter *platform)
{
    QPointer<frmMain> &window = implicitInstance();
    if (!window) {
        Q_ASSERT(platform);
        window = new frmMain(*platform);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    }
    return window;
}

int frmMain::selectedRow(const QListWidget *list)
{
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

void frmMain::createControls()
{
    const QFont arial12 = arial(12);
    const QFont arial18 = arial(18);

    drvCard = place(this, new QComboBox(this), QStringLiteral("drvCard"), QString(), {20, 161, 159, 19});
    drvCard->setEditable(true);
    // The text must stay exactly what the user typed: no inline completion to a listed volume,
    // and Return must not add the typed text as a new volume row.
    drvCard->setCompleter(nullptr);
    drvCard->setInsertPolicy(QComboBox::NoInsert);
    drvCard->setValidator(new SingleLineValidator(drvCard));
    for (const auto rowsChanged : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(drvCard->model(), rowsChanged, this, &frmMain::fitVolumeList);

    cmdRefresh = button(this, QStringLiteral("cmdRefresh"), QStringLiteral("Refresh"), {191, 161, 85, 23}, &arial12);
    lstCard = list(this, QStringLiteral("lstCard"), {20, 196, 256, 273});
    lstList = list(this, QStringLiteral("lstList"), {388, 161, 255, 308});
    lstList->setDragEnabled(true);
    lstList->setAcceptDrops(true);
    lstList->setDropIndicatorShown(true);
    lstList->setDragDropMode(QAbstractItemView::InternalMove);
    lstList->setDefaultDropAction(Qt::MoveAction);
    cmdDown = button(this, QStringLiteral("cmdDown"), QStringLiteral("-"), {482, 14, 47, 22});
    cmdUp = button(this, QStringLiteral("cmdUp"), QStringLiteral("+"), {482, 78, 47, 22});
    txtList
        = field(this, QStringLiteral("txtList"), QStringLiteral("1"), {482, 40, 46, 34}, arial(20, true), Qt::white);
    txtList->setReadOnly(true);
    cmdAdd = button(this, QStringLiteral("cmdAdd"), QStringLiteral(">"), {288, 257, 88, 53}, &arial18);
    cmdAddAll = button(this, QStringLiteral("cmdAddAll"), QStringLiteral(">>>"), {288, 328, 88, 53}, &arial18);
    lstListAdv = list(this, QStringLiteral("lstListAdv"), {288, 161, 88, 76});
    lstListAdv->setVisible(false);
    cmdCardAdvanced
        = button(this, QStringLiteral("cmdCardAdvanced"), QStringLiteral("Advanced"), {20, 481, 256, 22}, &arial12);
    cmdListAdvanced
        = button(this, QStringLiteral("cmdListAdvanced"), QStringLiteral("Advanced"), {388, 481, 255, 22}, &arial12);
    cmdClear = button(this, QStringLiteral("cmdClear"), QStringLiteral("Clear List"), {655, 468, 88, 35}, &arial12);
    cmdRemove = button(this, QStringLiteral("cmdRemove"), QStringLiteral("Remove"), {655, 410, 88, 35}, &arial12);
    cmdMoveDown
        = button(this, QStringLiteral("cmdMoveDown"), QStringLiteral("Move Down"), {655, 363, 88, 35}, &arial12);
    cmdMoveUp = button(this, QStringLiteral("cmdMoveUp"), QStringLiteral("Move Up"), {655, 316, 88, 35}, &arial12);
    cmdSave = button(this, QStringLiteral("cmdSave"), QStringLiteral("Save"), {655, 212, 88, 40}, &arial12);
    cmdDelete = button(this, QStringLiteral("cmdDelete"), QStringLiteral("Delete"), {655, 264, 88, 40}, &arial12);
    cmdLoad = button(this, QStringLiteral("cmdLoad"), QStringLiteral("Load"), {655, 161, 88, 40}, &arial12);
    lblCompany = label(this, QStringLiteral("lblCompany"), QStringLiteral("Quillmere Inc."), {561, 6, 184, 30},
                       arial(20, true, true, QStringLiteral("Arial Narrow")), Qt::AlignLeft, Silver);
    lblCard = label(this, QStringLiteral("lblCard"), QStringLiteral("SD Card"), {20, 130, 256, 21}, arial(18, true),
                    Qt::AlignHCenter, DarkBlue);
    lblPlaylist = label(this, QStringLiteral("lblPlaylist"), QStringLiteral("Playlist"), {388, 130, 255, 19},
                        arial(18, true), Qt::AlignHCenter, DarkBlue);
    txtName = field(this, QStringLiteral("txtName"), QString(), {571, 43, 153, 31}, arial(20, true), Qt::white);
    cmdPrint = button(this, QStringLiteral("cmdPrint"), QStringLiteral("Print Playlist"), {594, 86, 107, 22}, &arial12);
    cmdPrintRoot
        = button(this, QStringLiteral("cmdPrintRoot"), QStringLiteral("Print Card"), {288, 417, 88, 39}, &arial12);
    cmdPrintRoot->setDefault(true);
    imgLogo = place(this, new QLabel(this), QStringLiteral("imgLogo"), QString(), {20, 14, 416, 86});
    imgLogo->setPixmap(QPixmap(QStringLiteral(":/images/logo.png")));

    // What a screen reader says: words, and what a control does where its name does not tell.
    const std::initializer_list<std::tuple<QWidget *, const char16_t *, const char16_t *>> spoken {
        {drvCard, u"Card volume", u"The SD card's volume or folder; choosing one lists its tracks"},
        {cmdRefresh, u"Refresh volume list", u""},
        {lstCard, u"Card tracks", u"The MP3 tracks on the card"},
        {lstList, u"Playlist entries", u""},
        {cmdDown, u"Previous playlist number", u"Loads that playlist from the card"},
        {cmdUp, u"Next playlist number", u"Loads that playlist from the card"},
        {txtList, u"Playlist number", u"0 to 9"},
        {cmdAdd, u"Add track to playlist", u""},
        {cmdAddAll, u"Add all tracks to playlist", u""},
        {lstListAdv, u"Playlist command strings", u""},
        {cmdCardAdvanced, u"Card track settings", u"Opens the selected card track's settings"},
        {cmdListAdvanced, u"Playlist entry settings", u"Opens the selected playlist entry's settings"},
        {cmdClear, u"Clear playlist", u""},
        {cmdRemove, u"Remove playlist entry", u""},
        {cmdMoveDown, u"Move entry down", u""},
        {cmdMoveUp, u"Move entry up", u""},
        {cmdSave, u"Save playlist", u"Saves the playlist to the card under its number"},
        {cmdDelete, u"Delete playlist", u"Deletes the playlist with this number from the card"},
        {cmdLoad, u"Load playlist", u"Loads the playlist with this number from the card"},
        {txtName, u"Playlist name", u""},
        {cmdPrint, u"Print playlist", u""},
        {cmdPrintRoot, u"Print card track list", u""},
        {imgLogo, u"Vexolo logo", u""},
    };
    for (const auto &[control, name, description] : spoken)
        speak(control, QString::fromUtf16(name), QString::fromUtf16(description));
}

void frmMain::followVolumes()
{
    const QStringList volumes = m_platform.volumes();
    if (volumes == rowTexts(drvCard))
        return;
    const QSignalBlocker blocker(drvCard);
    const QString text = drvCard->currentText();
    const int cursor = drvCard->lineEdit()->cursorPosition();
    // Row by row, so rows that stay keep their place and the chosen row stays chosen.
    for (int row = drvCard->count() - 1; row >= 0; --row) {
        if (!volumes.contains(drvCard->itemText(row)))
            drvCard->removeItem(row);
    }
    for (int row = 0; row < volumes.size(); ++row) {
        if (drvCard->itemText(row) == volumes.at(row))
            continue;
        const int found = drvCard->findText(volumes.at(row), Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (found > row)
            drvCard->removeItem(found);
        drvCard->insertItem(row, volumes.at(row));
    }
    while (drvCard->count() > volumes.size())
        drvCard->removeItem(drvCard->count() - 1);
    // Removing the chosen row makes the box choose another and show its text: undo that.
    if (drvCard->currentText() != text) {
        drvCard->setCurrentIndex(-1);
        drvCard->setEditText(text);
    }
    drvCard->lineEdit()->setCursorPosition(cursor);
}

void frmMain::fitVolumeList()
{
    const QFontMetrics metrics(drvCard->view()->font());
    int widest = 0;
    for (int row = 0; row < drvCard->count(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(drvCard->itemText(row)));
    // Room for the row's margins and a scroll bar.
    const int margins = 4 * drvCard->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, drvCard)
        + drvCard->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, drvCard) + 8;
    drvCard->view()->setMinimumWidth(std::max(drvCard->width(), widest + margins));
}

void frmMain::bindHandlers()
{
    connect(drvCard, &QComboBox::currentTextChanged, this, &frmMain::drvCard_Change);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmMain::cmdRefresh_Action);
    connect(lstCard, &QListWidget::itemDoubleClicked, this, &frmMain::lstCard_DoubleClick);
    connect(lstList, &QListWidget::itemDoubleClicked, this, &frmMain::lstList_DoubleClick);
    connect(cmdDown, &QPushButton::clicked, this, &frmMain::cmdDown_Action);
    connect(cmdUp, &QPushButton::clicked, this, &frmMain::cmdUp_Action);
    connect(cmdAdd, &QPushButton::clicked, this, &frmMain::cmdAdd_Action);
    connect(cmdAddAll, &QPushButton::clicked, this, &frmMain::cmdAddAll_Action);
    connect(cmdCardAdvanced, &QPushButton::clicked, this, &frmMain::cmdCardAdvanced_Action);
    connect(cmdListAdvanced, &QPushButton::clicked, this, &frmMain::cmdListAdvanced_Action);
    connect(cmdClear, &QPushButton::clicked, this, &frmMain::cmdClear_Action);
    connect(cmdRemove, &QPushButton::clicked, this, &frmMain::cmdRemove_Action);
    connect(cmdMoveDown, &QPushButton::clicked, this, &frmMain::cmdMoveDown_Action);
    connect(cmdMoveUp, &QPushButton::clicked, this, &frmMain::cmdMoveUp_Action);
    connect(cmdSave, &QPushButton::clicked, this, &frmMain::cmdSave_Action);
    connect(cmdDelete, &QPushButton::clicked, this, &frmMain::cmdDelete_Action);
    connect(cmdLoad, &QPushButton::clicked, this, &frmMain::cmdLoad_Action);
    connect(cmdPrint, &QPushButton::clicked, this, &frmMain::cmdPrint_Action);
    connect(cmdPrintRoot, &QPushButton::clicked, this, &frmMain::cmdPrintRoot_Action);
    connect(lstList->model(), &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex &, int start, int end, const QModelIndex &, int destinationRow) {
                lstList_RowsMoved(start, end, destinationRow);
            });
}

void frmMain::Event_Open()
{
    RefreshCard();
    cmdRefresh->setFocus();
}

void frmMain::Event_Close()
{
    SaveRootDir();
    closeAdvancedWindow();
}

void frmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_opened) {
        m_opened = true;
        Event_Open();
    }
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (!confirmDiscardChanges()) {
        event->ignore();
        return;
    }
    Event_Close();
    event->accept();
}

void frmMain::keyPressEvent(QKeyEvent *event)
{
    // A plain window has no dialog machinery: Return reaches here unhandled and activates the
    // default button, as it would in a dialog.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        cmdPrintRoot->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
