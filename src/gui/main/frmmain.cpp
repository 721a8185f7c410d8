#include "frmmain.h"

#include "advanced/advancedtarget.h"
#include "advanced/frmadv.h"
#include "card/tracknames.h"
#include "commands/settingswords.h"
#include "fleet/findingswindow.h"
#include "fleet/fleetwindows.h"
#include "main/focusedselection.h"
#include "main/listdrops.h"
#include "main/volumeselector.h"
#include "platform/platformadapter.h"
#include "printing/cuesheetprinting.h"
#include "printing/printing.h"
#include "show/timelinewindow.h"
#include "show/tracklengthtips.h"
#include "show/trackmedia.h"
#include "storage/cardfiles.h"
#include "widgets/cardcalls.h"
#include "widgets/controls.h"
#include "widgets/settingsmark.h"
#include "widgets/singlelinevalidator.h"
#include "widgets/windowplaces.h"
#include "widgets/writtenword.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>

#include <mutex>
#include <optional>
#include <tuple>

// Outside any namespace, as Qt's resource initialiser requires.
static void initVexoloResources()
{
    Q_INIT_RESOURCE(vexolo);
}

namespace {

constexpr int WindowWidth = 763;
constexpr int WindowHeight = 523;
// How long a close waits for the listing to be written before the window goes all the same.
constexpr int CloseWaitMs = 1500;

const QColor DarkBlue(0x00, 0x40, 0x80);
const QColor Silver(0xc0, 0xc0, 0xc0);

// The resources live in a static library: register them before the first use.
void ensureResources()
{
    static std::once_flag registered;
    std::call_once(registered, initVexoloResources);
}

QListView *list(QWidget *parent, const QString &name, QRect geometry, QAbstractItemModel *rows)
{
    auto *control = Vexolo::Ui::place(parent, new QListView(parent), name, QString(), geometry);
    control->setModel(rows);
    control->setSelectionMode(QAbstractItemView::SingleSelection);
    control->setUniformItemSizes(true); // big cards: no per-row size computation
    control->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return control;
}

QAction *shortcut(QWidget *scope, const QList<QKeySequence> &keys, Qt::ShortcutContext context)
{
    auto *action = new QAction(scope);
    action->setShortcuts(keys);
    action->setShortcutContext(context);
    scope->addAction(action);
    return action;
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
    m_history = std::make_unique<PlaylistHistory>(m_document);
    m_calls = new CardCalls(*this);
    m_programs
        = std::make_unique<Programs>(*this, m_platform, m_store, ops, *m_calls, m_document, *m_history, m_tracks);
    // A child, so the advanced window finds it through its owner.
    m_media = new TrackMedia(m_store, this, ops);

    createControls();
    bindHandlers();
    bindKeys();

    if (!restorePlace(*this, QStringLiteral("frmMain")))
        centre(*this);
    if (!implicitInstance())
        implicitInstance() = this;
}

frmMain::~frmMain()
{
    // The advanced window is a child window: it goes first, while the document it edits lives.
    delete frmAdv::existing();
}

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

int frmMain::selectedRow(const QAbstractItemView *list)
{
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
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
    m_volumes = new VolumeSelector(*drvCard, m_platform);

    cmdRefresh = button(this, QStringLiteral("cmdRefresh"), QStringLiteral("Refresh"), {191, 161, 85, 23}, &arial12);
    lstCard = list(this, QStringLiteral("lstCard"), {20, 196, 256, 273}, &m_tracks);
    lstCard->setItemDelegate(
        new SettingsMarkDelegate(Vexolo::CardTracks::OwnSettingsRole, lstCard, Vexolo::CardTracks::TooLongRole));
    lstList = list(this, QStringLiteral("lstList"), {388, 161, 255, 308}, &m_document);
    lstList->setDragEnabled(true);
    lstList->setAcceptDrops(true);
    lstList->setDropIndicatorShown(true);
    lstList->setDragDropMode(QAbstractItemView::InternalMove);
    lstList->setDefaultDropAction(Qt::MoveAction);
    // Entries with settings of their own are marked; their tooltip says which.
    lstList->setItemDelegate(new SettingsMarkDelegate(Vexolo::PlaylistDocument::OwnSettingsRole, lstList));
    cmdDown = button(this, QStringLiteral("cmdDown"), QStringLiteral("-"), {482, 14, 47, 22});
    cmdUp = button(this, QStringLiteral("cmdUp"), QStringLiteral("+"), {482, 78, 47, 22});
    txtList
        = field(this, QStringLiteral("txtList"), QStringLiteral("1"), {482, 40, 46, 34}, arial(20, true), Qt::white);
    txtList->setReadOnly(true);
    m_programList = new ProgramList(txtList, m_overview);
    cmdAdd = button(this, QStringLiteral("cmdAdd"), QStringLiteral(">"), {288, 257, 88, 53}, &arial18);
    cmdAddAll = button(this, QStringLiteral("cmdAddAll"), QStringLiteral(">>>"), {288, 328, 88, 53}, &arial18);
    auto *commandStrings = new Vexolo::PlaylistCommandStrings(this);
    commandStrings->setSourceModel(&m_document);
    lstListAdv = list(this, QStringLiteral("lstListAdv"), {288, 161, 88, 76}, commandStrings);
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
    placePlayerName();
    // Under the lowest buttons, the one strip of the window no control uses.
    m_written = new Vexolo::Ui::WrittenWord(this);
    m_written->setGeometry(20, 505, 723, 16);
    m_written->setFont(arial(12));

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

    // Tab goes as the window reads: the program's number and name at the top, then the card's column, the
    // buttons between the lists, the playlist's column and the buttons beside it, each from top to bottom.
    const QList<QWidget *> order {cmdDown,     txtList,         cmdUp,           txtName, cmdPrint,  drvCard,
                                  cmdRefresh,  lstCard,         cmdCardAdvanced, cmdAdd,  cmdAddAll, cmdPrintRoot,
                                  lstList,     cmdListAdvanced, cmdLoad,         cmdSave, cmdDelete, cmdMoveUp,
                                  cmdMoveDown, cmdRemove,       cmdClear};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void frmMain::bindHandlers()
{
    connect(m_volumes, &VolumeSelector::chosen, this, &frmMain::drvCard_Change);
    connect(m_volumes, &VolumeSelector::typingRested, this, [this] {
        if (!m_document.isModified())
            m_volumes->listNow();
    });
    connect(m_volumes, &VolumeSelector::mountsChanged, this, &frmMain::noticeCardChange);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmMain::cmdRefresh_Action);
    connect(lstCard, &QListView::doubleClicked, this, &frmMain::lstCard_DoubleClick);
    connect(lstList, &QListView::doubleClicked, this, &frmMain::lstList_DoubleClick);
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

    // The number and the name are the document's; the fields show them.
    connect(&m_document, &Vexolo::PlaylistDocument::numberChanged, txtList,
            [this](Vexolo::ProgramNumber number) { txtList->setText(number.text()); });
    connect(&m_document, &Vexolo::PlaylistDocument::nameChanged, txtName, [this](const QString &name) {
        if (txtName->text() != name)
            txtName->setText(name);
    });
    connect(txtName, &QLineEdit::textChanged, &m_document, &Vexolo::PlaylistDocument::setName);
    // The field shows some fourteen characters of a name; its tooltip all of it.
    connect(txtName, &QLineEdit::textChanged, txtName, &QWidget::setToolTip);
    // The programs are read once per card, when the list first drops down for it.
    connect(m_programList, &ProgramList::aboutToPopUp, this, &frmMain::readPrograms);
    // The views of the card follow every write to it, whichever window or call made it.
    connect(&Vexolo::CardSession::instance(), &Vexolo::CardSession::cardChanged, this, &frmMain::cardWritten);
    connect(m_calls, &CardCalls::forgetCard, this, &frmMain::forgetCard);
    connect(m_programList, &ProgramList::programChosen, this, &frmMain::chooseProgram);
    // A track's own settings in words: its command file read on the card's worker when the tooltip asks.
    new TrackLengthTips(*lstCard, *m_media, Vexolo::CardTracks::NameRole,
                        [this](const QModelIndex &index, const TrackLengthTips::Answer &answer) {
                            if (!index.data(Vexolo::CardTracks::OwnSettingsRole).toBool())
                                return answer({});
                            const QString track = index.data(Vexolo::CardTracks::NameRole).toString();
                            m_media->onCard<QString>(
                                this,
                                [track](const Vexolo::CardStore &store) {
                                    return Vexolo::settingsWords(store.trackCommandString(track));
                                },
                                answer);
                        });
    new ListDrops(*lstCard, *lstList,
                  {[this](const QStringList &tracks, int row) { dropTracks(tracks, row); },
                   [this](const QStringList &files, QListView &list, int row) { dropFiles(files, list, row); }});
    for (QListView *view : {lstList, lstCard}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint &position) { showListMenu(view, position); });
    }
}

void frmMain::bindKeys()
{
    // Text fields keep their own undo; they claim these keys first, and are left alone here too.
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::Key_Z)}, Qt::WindowShortcut), &QAction::triggered, this,
            [this] {
                // The playlist's undo; the card list's writes have none, and a key there undoes nothing.
                if (!textFieldHasFocus() && !lstCard->hasFocus())
                    m_history->stack().undo();
            });
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
                     Qt::WindowShortcut),
            &QAction::triggered, this, [this] {
                if (!textFieldHasFocus() && !lstCard->hasFocus())
                    m_history->stack().redo();
            });
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::Key_S)}, Qt::WindowShortcut), &QAction::triggered, cmdSave,
            &QPushButton::click);
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::Key_H)}, Qt::WindowShortcut), &QAction::triggered, this,
            &frmMain::showCardHistory);
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}, Qt::WindowShortcut), &QAction::triggered,
            this, &frmMain::showFleet);
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::Key_K)}, Qt::WindowShortcut), &QAction::triggered, this,
            [this] { checkCard(); });
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)}, Qt::WindowShortcut), &QAction::triggered,
            this, &frmMain::printCueSheet);
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T)}, Qt::WindowShortcut), &QAction::triggered,
            this, &frmMain::showProgramTimeline);
    // Keys act on the list that has the focus; Return elsewhere is the default button's (keyPressEvent).
    const QList<QKeySequence> enter {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};
    // Return acts on the current row even before a click has selected it, as on a tabbed-into list.
    connect(shortcut(lstCard, enter, Qt::WidgetShortcut), &QAction::triggered, this, [this] {
        selectCurrent(lstCard);
        lstCard_DoubleClick();
    });
    connect(shortcut(lstList, enter, Qt::WidgetShortcut), &QAction::triggered, this, [this] {
        selectCurrent(lstList);
        lstList_DoubleClick();
    });
    // The Delete key leaves the next entry selected, so that Delete, Delete removes two.
    connect(shortcut(lstList, {QKeySequence(Qt::Key_Delete)}, Qt::WidgetShortcut), &QAction::triggered, this, [this] {
        selectCurrent(lstList);
        const int row = selectedRow(lstList);
        cmdRemove->click();
        selectEntry(std::min(row, m_document.count() - 1)); // row -1: none
    });
    connect(shortcut(this, {QKeySequence(Qt::ALT | Qt::Key_Up)}, Qt::WindowShortcut), &QAction::triggered, this,
            [this] { moveSelected(-1); });
    connect(shortcut(this, {QKeySequence(Qt::ALT | Qt::Key_Down)}, Qt::WindowShortcut), &QAction::triggered, this,
            [this] { moveSelected(+1); });
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::Key_Q)}, Qt::WindowShortcut), &QAction::triggered, this,
            &QWidget::close);
    for (QListView *view : {lstCard, lstList}) {
        connect(shortcut(view, {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)}, Qt::WidgetShortcut),
                &QAction::triggered, this, [this, view] {
                    const QRect current = view->visualRect(view->currentIndex());
                    showListMenu(view, current.isValid() ? current.center() : QPoint());
                });
    }
    connect(shortcut(lstList, {QKeySequence::Copy}, Qt::WidgetShortcut), &QAction::triggered, this,
            &frmMain::copyEntrySettings);
    connect(shortcut(lstList, {QKeySequence::Paste}, Qt::WidgetShortcut), &QAction::triggered, this,
            &frmMain::pasteEntrySettings);
    connect(shortcut(lstCard, {QKeySequence::Copy}, Qt::WidgetShortcut), &QAction::triggered, this,
            &frmMain::copyCardSettings);
    connect(shortcut(lstCard, {QKeySequence::Paste}, Qt::WidgetShortcut), &QAction::triggered, this,
            &frmMain::pasteCardSettings);
    for (QListView *view : {lstCard, lstList})
        showSelectionByFocus(*view);
}

void frmMain::selectCurrent(QListView *list)
{
    const QModelIndex current = list->currentIndex();
    if (current.isValid() && !list->selectionModel()->isSelected(current))
        list->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
}

bool frmMain::textFieldHasFocus() const
{
    const QWidget *focus = focusWidget();
    return qobject_cast<const QLineEdit *>(focus) || focus == drvCard;
}

void frmMain::showListMenu(QListView *list, const QPoint &position)
{
    const bool selected = selectedRow(list) >= 0;
    const bool copied = !m_copied.isEmpty();
    QMenu menu(this);
    if (list == lstCard) {
        menuEntry(menu, QStringLiteral("Copy Settings"), QKeySequence::Copy, selected, [this] { copyCardSettings(); });
        menuEntry(menu, QStringLiteral("Paste Settings"), QKeySequence::Paste, selected && copied,
                  [this] { pasteCardSettings(); });
        menuEntry(menu, QStringLiteral("Show Timeline"), {}, selected, [this, list] { showTimeline(list); });
        menu.addSeparator();
        const bool chosen = m_store.identity().isValid();
        menuEntry(menu, QStringLiteral("Check Card…"), QKeySequence(Qt::CTRL | Qt::Key_K), chosen,
                  [this] { checkCard(); });
        menuEntry(menu, QStringLiteral("History…"), QKeySequence(Qt::CTRL | Qt::Key_H), chosen,
                  [this] { showCardHistory(); });
        menuEntry(menu, QStringLiteral("Fleet…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), true,
                  [this] { showFleet(); });
        menuEntry(menu, QStringLiteral("Compare With Another Card…"), {}, chosen,
                  [this] { showCardCompare(this, m_platform, m_store); });
        menuEntry(menu, QStringLiteral("Copy Setup to Another Card…"), {}, chosen,
                  [this] { showSetupCopy(this, m_platform, m_store); });
    } else {
        menuEntry(menu, QStringLiteral("Copy Settings"), QKeySequence::Copy, selected, [this] { copyEntrySettings(); });
        menuEntry(menu, QStringLiteral("Paste Settings"), QKeySequence::Paste, selected && copied,
                  [this] { pasteEntrySettings(); });
        menuEntry(menu, QStringLiteral("Paste Settings to All Entries"), {}, copied && m_document.count() > 0,
                  [this] { pasteSettingsToAllEntries(); });
        menuEntry(menu, QStringLiteral("Show Timeline"), {}, selected, [this, list] { showTimeline(list); });
        menuEntry(menu, QStringLiteral("Show Program Timeline"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), true,
                  [this] { showProgramTimeline(); });
        menuEntry(menu, QStringLiteral("Print Cue Sheet\u2026"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), true,
                  [this] { printCueSheet(); });
    }
    menu.exec(list->viewport()->mapToGlobal(position));
}

void frmMain::Event_Open()
{
    RefreshCard();
    cmdRefresh->setFocus();
}

void frmMain::Event_Close()
{
    rememberPlace(*this, QStringLiteral("frmMain"));
    rememberCard();
    closeAdvancedWindow();
    // The window closes once the listing is written, or after a short wait whatever the card does: the
    // write goes on, and the program ends when it is over.
    m_closing = true;
    m_programs->writeListing([this] { close(); });
    QTimer::singleShot(CloseWaitMs, this, &QWidget::close);
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
    if (m_closing) {
        event->accept();
        return;
    }
    event->ignore();
    // Closing never waits for a card: work still out is let go (a write goes on to its end).
    m_calls->cancelAll();
    m_programs->confirmDiscardChanges([this] { Event_Close(); });
}

void frmMain::keyPressEvent(QKeyEvent *event)
{
    // A plain window has no dialog machinery: Return reaches here unhandled and activates the
    // default button, as it would in a dialog.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Return ends the typing of a name; it does not print.
        if (focusWidget() != txtName)
            cmdPrintRoot->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
