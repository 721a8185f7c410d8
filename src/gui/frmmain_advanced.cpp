#include "frmmain.h"

#include "frmadv.h"
#include "platform/platformadapter.h"
#include "storage/cardfiles.h"

#include <QListWidget>

// The main window's side of the advanced settings window: it opens the window for a track and
// applies what the window hands back.

frmAdv *frmMain::advancedWindow()
{
    frmAdv *window = frmAdv::instance(m_platform, *this);
    // One connection per window, however often it is asked for.
    connect(window, &frmAdv::settingsSaved, this, &frmMain::advancedSettingsSaved, Qt::UniqueConnection);
    return window;
}

void frmMain::cmdCardAdvanced_Action()
{
    const int row = selectedRow(lstCard);
    if (row < 0)
        return;
    m_advancedTrack = lstCard->item(row)->text();
    // The window shows this track's own name, whatever name its command file carries.
    const QString commandString = Vexolo::commandStringOfTrack(AdvStringCard(m_advancedTrack), m_advancedTrack);
    advancedWindow()->InitForm(commandString, true, row);
}

void frmMain::cmdListAdvanced_Action()
{
    const int row = selectedRow(lstList);
    if (row < 0 || row >= lstListAdv->count())
        return;
    advancedWindow()->InitForm(lstListAdv->item(row)->text(), false, row);
    m_advancedEntry = m_history.entryId(row);
}

void frmMain::lstList_DoubleClick()
{
    cmdListAdvanced_Action();
}

void frmMain::advancedSettingsSaved(bool onCard, const QString &commandString)
{
    if (onCard) {
        writeTrackCommandFile(m_advancedTrack, commandString);
        return;
    }
    // The main window stayed usable while the advanced one was open: the entry may have moved, or
    // be gone; the window's workingIndex is only the row it stood in then.
    const int row = m_history.rowOfEntry(m_advancedEntry);
    if (row < 0 || row >= lstListAdv->count()) {
        m_platform.tell(QStringLiteral("workingIndex < listcount"));
        return;
    }
    const auto edit = m_history.edit();
    lstListAdv->item(row)->setText(commandString);
}

void frmMain::writeTrackCommandFile(const QString &trackName, const QString &commandString)
{
    showNotices(m_store.writeTrackCommand(trackName, commandString));
}

void frmMain::closeAdvancedWindow()
{
    frmAdv *window = frmAdv::existing();
    if (window && window->owner() == this)
        window->close();
}
