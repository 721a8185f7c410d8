#pragma once

#include "main/copiedsettings.h"
#include "main/playlisthistory.h"
#include "main/programs.h"
#include "playlist/cardtracks.h"
#include "playlist/playlistdocument.h"
#include "reports/findings.h"
#include "reports/programoverview.h"
#include "storage/cardsession.h"
#include "storage/cardstore.h"

#include <QSet>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class PlatformAdapter;
class QAbstractItemView;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QUndoStack;
class TrackMedia;

namespace Vexolo::Ui {
class CardCalls;
class ProgramList;
class VolumeSelector;
class WrittenWord;
struct AdvancedTarget;
} // namespace Vexolo::Ui

// The main window, "Vexolo Playlist Setup": its controls, their layout and their handlers. The
// playlist lives in one document that both playlist lists view; Save, Load and Delete, the volume
// selector, copied settings and the advanced window's target each live in a class of their own.
class frmMain final : public QWidget
{
    Q_OBJECT

public:
    // ops: the file system calls that change a card; tests make them fail on demand.
    explicit frmMain(PlatformAdapter &platform, Vexolo::FileOps &ops = Vexolo::FileOps::system(),
                     QWidget *parent = nullptr);
    ~frmMain() override;
    Q_DISABLE_COPY_MOVE(frmMain)

    // The implicit instance: the open main window, or a new one created and shown with platform.
    static frmMain *instance(PlatformAdapter *platform = nullptr);

    PlatformAdapter &platform() const { return m_platform; }
    const Vexolo::PlaylistDocument &playlist() const { return m_document; }
    const Vexolo::CardTracks &cardTracks() const { return m_tracks; }
    QUndoStack &history() { return m_history->stack(); }

    // Control handlers.
    void drvCard_Change();
    void cmdRefresh_Action();
    void lstCard_DoubleClick();
    void lstList_DoubleClick();
    void cmdDown_Action();
    void cmdUp_Action();
    void cmdAdd_Action();
    void cmdAddAll_Action();
    void cmdCardAdvanced_Action();
    void cmdListAdvanced_Action();
    void cmdClear_Action();
    void cmdRemove_Action();
    void cmdMoveDown_Action();
    void cmdMoveUp_Action();
    void cmdSave_Action();
    void cmdDelete_Action();
    void cmdLoad_Action();
    void cmdPrint_Action();
    void cmdPrintRoot_Action();

    // Window events.
    void Event_Open();
    void Event_Close();

    // Methods.
    void RefreshCard();
    // The card folder given on the command line: set as if typed, and listed at once.
    void chooseCardFolder(const QString &folder);
    // The card chosen when the program was last closed, when the same card is mounted now (wherever it is).
    void chooseLastCard();
    // The command string a card track brings, read from the card; then gets it.
    void AdvStringCard(const QString &trackName, std::function<void(QString)> then);
    void SaveRootDir();

    // The settings of the selected playlist entry or card track, kept for pasting.
    void copyEntrySettings();
    void copyCardSettings();
    // The copied settings onto the selected entry, onto every entry, or onto the selected card
    // track (written to its command file at once); each target keeps its own track name.
    void pasteEntrySettings();
    void pasteSettingsToAllEntries();
    void pasteCardSettings();

    // "Check Card…": a double click on a finding selects its entry or track and opens its advanced window.
    void checkCard();
    // "History…": the versions of the chosen card's setup, and their restore.
    void showCardHistory();
    // "Fleet…": the production line; one window, brought up again when open.
    void showFleet();
    void goToFinding(const Vexolo::Finding &finding);

    // "Show Timeline": the advanced window for the selected track or entry, with its timeline beside it.
    void showTimeline(QListView *list);
    // "Print Cue Sheet…": the playlist as it stands, through the print dialog.
    void printCueSheet();
    // "Show Program Timeline": the whole playlist on one axis, opened or brought to the front.
    void showProgramTimeline();

    // Drops: card tracks inserted into the playlist before row (one undo step); files from the computer copied onto
    // the card (a track of that name there is asked about first), and onto the playlist also added before row.
    void dropTracks(const QStringList &dropped, int row);
    void dropFiles(const QStringList &files, QListView &list, int row);
    // Copies the files onto the card as their own names; then gets the tracks now on the card from them.
    void copyOntoCard(const QStringList &files, std::function<void(QStringList)> then = {});
    // The window's card work: one call at a time, its wait shown.
    Vexolo::Ui::CardCalls &cardCalls() const { return *m_calls; }

    // The selected row of a list, -1 when none: a current row alone is not a selection.
    static int selectedRow(const QAbstractItemView *list);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    // The card's ten programs for the list at a glance, read on the card's worker when not known yet.
    void readPrograms();
    // A write to a card, from any window or call: the views of the chosen card follow it.
    void cardWritten(const Vexolo::CardIdentity &card, const Vexolo::CardChange &change);
    void bindHandlers();
    void bindKeys();
    void showListMenu(QListView *list, const QPoint &position);
    // The selected card track's settings in the advanced window, read from the card first; then once it is open.
    void openCardAdvanced(const std::function<void()> &then);
    void openAdvanced(const QString &commandString, const Vexolo::Ui::AdvancedTarget &target, int row);
    void advancedSettingsSaved(const Vexolo::Ui::AdvancedTarget &target, const QString &commandString);
    // A card track's own settings, written on the card's worker.
    void writeTrackCommand(const Vexolo::Ui::AdvancedTarget &target, const QString &commandString);
    void closeAdvancedWindow();
    void stepPlaylistNumber(int delta);
    // Loads program number, chosen in the programs list, after the unsaved-changes question.
    void chooseProgram(Vexolo::ProgramNumber number);
    void moveSelected(int delta);
    // New entries for the tracks, with the settings they bring from the card, inserted before row.
    void addTracks(int row, const QStringList &tracks, std::function<void()> then = {});
    // Inserts entries before row as one undo step; a track whose name leaves no room for settings is told of once.
    void addEntries(int row, Vexolo::PlaylistEntries entries);
    void selectEntry(int row);
    // Selects the list's current row when it is not: keys act on the row the user sees.
    static void selectCurrent(QListView *list);
    bool textFieldHasFocus() const;
    // Tells the user, once, that another card now sits where the chosen one was; it is listed only
    // when the user chooses it.
    void noticeCardChange();
    // The card text names, found and listed on its worker; then gets it. A card that does not answer is
    // waited for with the window usable; chosen while other card work is out, it is found after it.
    void findCard(const QString &text, const std::function<void(Vexolo::CardChoice)> &then);
    // Lists the card found and loads the playlist's program from it.
    void adoptCard(const Vexolo::CardChoice &found);
    // The user let go of a card that does not answer (its root, or the text that named it).
    void forgetCard(const QString &card);
    // Puts back the chosen card's folder as drvCard's text, without choosing anything.
    void keepChosenCard();
    // The chosen card's label, size and player, asked on its worker: for the volume field's tooltip and the word
    // after a write.
    void nameChosenCard();
    // lblPlayer, in the strip between the logo and the card's heading.
    void placePlayerName();
    // Kept for chooseLastCard at the next start.
    void rememberCard() const;

    PlatformAdapter &m_platform;
    // The chosen card: its root and identity. It is never read or written on the window's thread: every
    // call makes its own store for it on the card's worker.
    Vexolo::CardStore m_store;
    Vexolo::Ui::CardCalls *m_calls = nullptr;
    Vexolo::CardTracks m_tracks;
    Vexolo::PlaylistDocument m_document;
    // Made in the constructor, once what they work on exists, so no member depends on the members' order.
    std::unique_ptr<Vexolo::Ui::PlaylistHistory> m_history;
    // The card's ten programs at a glance, dropping down from txtList.
    Vexolo::ProgramOverview m_overview;
    std::unique_ptr<Vexolo::Ui::Programs> m_programs;
    Vexolo::Ui::CopiedSettings m_copied;
    Vexolo::Ui::VolumeSelector *m_volumes = nullptr;
    Vexolo::Ui::ProgramList *m_programList = nullptr;
    // The tracks' lengths and sound, for the card list's tooltip, the timeline and the cue sheet.
    TrackMedia *m_media = nullptr;
    bool m_opened = false;
    bool m_closing = false; // the listing is being written; the next close request closes
    bool m_cardChangeTold = false;
    QString m_cardName; // the chosen card as the word after a write names it: "PLAYER03 · Player 3"
    Vexolo::Ui::WrittenWord *m_written = nullptr;
    QString m_historyLost; // why the history of the write under way could not be kept
    QSet<QString> m_toldTooLong;

    // Controls, in creation (and tab) order.
    QComboBox *drvCard = nullptr;
    QPushButton *cmdRefresh = nullptr;
    QListView *lstCard = nullptr;
    QListView *lstList = nullptr;
    QPushButton *cmdDown = nullptr;
    QPushButton *cmdUp = nullptr;
    QLineEdit *txtList = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdAddAll = nullptr;
    QListView *lstListAdv = nullptr;
    QPushButton *cmdCardAdvanced = nullptr;
    QPushButton *cmdListAdvanced = nullptr;
    QPushButton *cmdClear = nullptr;
    QPushButton *cmdRemove = nullptr;
    QPushButton *cmdMoveDown = nullptr;
    QPushButton *cmdMoveUp = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdLoad = nullptr;
    QLabel *lblCompany = nullptr;
    QLabel *lblCard = nullptr;
    QLabel *lblPlaylist = nullptr;
    QLineEdit *txtName = nullptr;
    QPushButton *cmdPrint = nullptr;
    QPushButton *cmdPrintRoot = nullptr;
    QLabel *imgLogo = nullptr;
    QLabel *lblPlayer = nullptr; // the chosen card's player: "Player 3 · Ocean Gallery"
};
