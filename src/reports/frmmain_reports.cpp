#include "app/frmmain.h"

// Printing and the card directory listing.

void frmMain::cmdPrint_Action() {}

void frmMain::cmdPrintRoot_Action() {}

void frmMain::SaveRootDir() {}
