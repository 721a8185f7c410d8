#pragma once

#include "busyfeedback.h"
#include "playlistundo.h"
#include "storage/cardstore.h"

#include <QAbstractItemModel>
#include <QWidget>

class PlatformAdapter;
class frmAdv;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The main window, "Vexolo Playlist Setup". Its controls hold all of the editing state: the
// card path, the card's tracks, the playlist with its hidden list of command strings, the
// playlist number and name. Handlers are named control_Event; their bodies live beside the
// logic they belong to (card/, storage/, commands/, reports/).
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

    // Controls, in creation (and tab) order.
    QComboBox *drvCard = nullptr;
    QPushButton *cmdRefresh = nullptr;
    QListWidget *lstCard = nullptr;
    QListWidget *lstList = nullptr;
    QPushButton *cmdDown = nullptr;
    QPushButton *cmdUp = nullptr;
    QLineEdit *txtList = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdAddAll = nullptr;
    QListWidget *lstListAdv = nullptr;
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
    // The selected row of a list, -1 when none: a current row alone is not a selection.
    static int selectedRow(const QListWidget *list);
    // The texts of the rows of a list or a combo box, first to last.
    template<typename View> static QStringList rowTexts(const View *view)
    {
        const QAbstractItemModel *rows = view->model();
        QStringList texts;
        texts.reserve(rows->rowCount());
        for (int row = 0; row < rows->rowCount(); ++row)
            texts.append(rows->index(row, 0).data().toString());
        return texts;
    }

    QString AdvStringCard(const QString &trackName);
    // AdvStringCard for many card tracks at once, with the same messages, in order.
    QStringList AdvStringsCard(const QStringList &trackNames, const Vexolo::Progress &progress = {});
    void SaveRootDir();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void bindHandlers();
    // Brings drvCard's rows in line with the mounted volumes; its text and chosen card stay.
    void followVolumes();
    // Makes drvCard's drop-down list wide enough for its longest row.
    void fitVolumeList();
    // Keeps lstListAdv in step when a row of lstList is dragged to another place.
    void lstList_RowsMoved(int start, int end, int destinationRow);
    void closeAdvancedWindow();
    // The advanced window, its Save handed back to advancedSettingsSaved.
    frmAdv *advancedWindow();
    void advancedSettingsSaved(bool onCard, const QString &commandString);
    void writeTrackCommandFile(const QString &trackName, const QString &commandString);
    // Shows the card store's messages, in order.
    void showNotices(const Vexolo::Notices &notices);
    // Steps the playlist number by delta, wrapping "-1" to "9" and "10" to "0", then loads.
    void stepPlaylistNumber(int delta);

    PlatformAdapter &m_platform;
    Vexolo::CardStore m_store;
    // The card track the advanced window was last opened for.
    QString m_advancedTrack;
    bool m_opened = false;

    // Editing history, unsaved changes, keys and copied settings.
public:
    // "Playlist N has changes that are not saved. Discard them?" when they are; true to go on.
    bool confirmDiscardChanges();
    bool hasUnsavedChanges() const { return m_history.isDirty(); }
    QUndoStack &history() { return m_history.stack(); }
    // The settings of the selected playlist entry or card track, kept for pasting.
    void copyEntrySettings();
    void copyCardSettings();
    // The copied settings onto the selected entry, onto every entry, or onto the selected card
    // track (written to its command file at once); each target keeps its own track name.
    void pasteEntrySettings();
    void pasteSettingsToAllEntries();
    void pasteCardSettings();

private:
    void setUpEditing();
    void drvCard_Activated();
    bool textFieldHasFocus() const;
    void showSettingsMenu(QListWidget *list, const QPoint &position);
    // The copied settings with the track name of each target; empty when one would be too long.
    QStringList withCopiedSettings(const QStringList &trackNames);

    Vexolo::Ui::PlaylistHistory m_history;
    quint64 m_advancedEntry = 0; // the playlist entry the advanced window was opened for
    QString m_copiedSettings; // a command string; empty when nothing was copied
    bool m_choiceListed = false; // the text changed, and was listed, for the current choice of drvCard
    bool m_typed = false;
};
