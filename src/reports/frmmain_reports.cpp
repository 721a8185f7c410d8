#include "app/frmmain.h"

// Printing the playlist and the card.

void frmMain::cmdPrint_Action() {}

void frmMain::cmdPrintRoot_Action() {}
