#include "frmmain.h"

#include <QListWidget>

// The card directory listing, "Programs/RootDir.txt": every card track with its own command string.

void frmMain::SaveRootDir()
{
    Vexolo::Ui::BusyFeedback busy(this);
    showNotices(m_store.writeListing(rowTexts(lstCard), busy.callback()));
}
