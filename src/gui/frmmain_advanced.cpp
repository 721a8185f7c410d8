#include "frmmain.h"

#include "frmadv.h"

#include <QListWidget>

// The main window's side of the advanced settings window.

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
