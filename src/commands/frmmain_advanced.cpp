#include "app/frmmain.h"

#include "commands/frmadv.h"

#include <QListWidget>

// The main window's side of the advanced settings window.

namespace {

// The selected row, -1 when none: a current row alone is not a selection.
int selectedRow(const QListWidget *list)
{
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

} // namespace

void frmMain::cmdCardAdvanced_Action()
{
    const int row = selectedRow(lstCard);
    if (row < 0)
        return;
    const QString commandString = AdvStringCard(lstCard->item(row)->text());
    frmAdv::instance(*this)->InitForm(commandString, true, row);
}

void frmMain::cmdListAdvanced_Action()
{
    const int row = selectedRow(lstList);
    if (row < 0 || row >= lstListAdv->count())
        return;
    frmAdv::instance(*this)->InitForm(lstListAdv->item(row)->text(), false, row);
}

void frmMain::lstList_DoubleClick()
{
    cmdListAdvanced_Action();
}

void frmMain::closeAdvancedWindow()
{
    frmAdv *window = frmAdv::existing();
    if (window && window->mainWindow() == this)
        window->close();
}
