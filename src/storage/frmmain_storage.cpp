#include "app/frmmain.h"

#include "platform/platformadapter.h"

// Save, Load and Delete of programs, and the track command lookup.

QString frmMain::AdvStringCard(const QString &trackName)
{
    return trackName + QStringLiteral(" V7");
}

void frmMain::cmdSave_Action() {}

void frmMain::cmdLoad_Action() {}

void frmMain::cmdDelete_Action() {}
