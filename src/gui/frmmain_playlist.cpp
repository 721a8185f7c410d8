#include "frmmain.h"

#include "commands/textnumber.h"
#include "platform/platformadapter.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

// Card selection, track listing and playlist editing. lstList and lstListAdv are moved together
// by every operation, so row i of lstListAdv always holds the command string of row i of lstList.

namespace {

void moveRow(QListWidget *list, int from, int to)
{
    QListWidgetItem *item = list->takeItem(from);
    list->insertItem(to, item);
}

} // namespace

void frmMain::RefreshCard()
{
    // Rows change, the typed or chosen text stays: the user chooses the card again to re-list it.
    const QSignalBlocker blocker(drvCard);
    const QString text = drvCard->currentText();
    drvCard->clear();
    drvCard->addItems(m_platform.volumes());
    drvCard->setCurrentIndex(-1);
    drvCard->setEditText(text);
}

void frmMain::chooseCardFolder(const QString &folder)
{
    {
        const QSignalBlocker blocker(drvCard);
        drvCard->setEditText(folder);
    }
    drvCard_Change();
}

void frmMain::cmdRefresh_Action()
{
    RefreshCard();
}

void frmMain::drvCard_Change()
{
    Vexolo::Ui::BusyFeedback busy(this);
    lstCard->clear();
    m_store.choose(drvCard->currentText());
    const QStringList tracks = m_store.listTracks();
    if (tracks.isEmpty())
        return;
    lstCard->addItems(tracks);
    cmdLoad_Action();
}

void frmMain::lstCard_DoubleClick()
{
    cmdAdd_Action();
}

void frmMain::cmdAdd_Action()
{
    const auto edit = m_history.edit();
    const int row = selectedRow(lstCard);
    if (row < 0)
        return;
    const QString track = lstCard->item(row)->text();
    lstList->addItem(track);
    lstListAdv->addItem(AdvStringCard(track));
}

void frmMain::cmdAddAll_Action()
{
    Vexolo::Ui::BusyFeedback busy(this);
    const auto edit = m_history.edit();
    const QStringList tracks = rowTexts(lstCard);
    if (tracks.isEmpty())
        return;
    const QStringList commandStrings = AdvStringsCard(tracks, busy.callback());
    // One bulk insertion each: a card of thousands of tracks must not repaint per row.
    lstList->addItems(tracks);
    lstListAdv->addItems(commandStrings);
}

void frmMain::cmdClear_Action()
{
    const auto edit = m_history.edit();
    lstList->clear();
    lstListAdv->clear();
}

void frmMain::cmdRemove_Action()
{
    const auto edit = m_history.edit();
    const int row = selectedRow(lstList);
    if (row < 0)
        return;
    delete lstListAdv->takeItem(row);
    delete lstList->takeItem(row);
    lstList->clearSelection();
}

void frmMain::cmdMoveUp_Action()
{
    const auto edit = m_history.edit();
    const int row = selectedRow(lstList);
    if (row <= 0)
        return;
    moveRow(lstList, row, row - 1);
    moveRow(lstListAdv, row, row - 1);
    lstList->setCurrentRow(row - 1);
}

void frmMain::cmdMoveDown_Action()
{
    const auto edit = m_history.edit();
    const int row = selectedRow(lstList);
    if (row < 0 || row >= lstList->count() - 1)
        return;
    moveRow(lstList, row, row + 1);
    moveRow(lstListAdv, row, row + 1);
    lstList->setCurrentRow(row + 1);
}

void frmMain::lstList_RowsMoved(int start, int end, int destinationRow)
{
    lstListAdv->model()->moveRows(QModelIndex(), start, end - start + 1, QModelIndex(), destinationRow);
}

void frmMain::cmdDown_Action()
{
    stepPlaylistNumber(-1);
}

void frmMain::cmdUp_Action()
{
    stepPlaylistNumber(+1);
}

void frmMain::stepPlaylistNumber(int delta)
{
    if (!confirmDiscardChanges())
        return;
    txtList->setText(Vexolo::stepDigit(txtList->text(), delta));
    cmdLoad_Action();
}
