#include "app/frmmain.h"

// The main window's side of the advanced settings window.

void frmMain::cmdCardAdvanced_Action() {}

void frmMain::cmdListAdvanced_Action() {}

void frmMain::lstList_DoubleClick()
{
    cmdListAdvanced_Action();
}

void frmMain::closeAdvancedWindow() {}
