#include "frmmain.h"

#include "platform/platformadapter.h"
#include "storage/cardfiles.h"
#include "storage/safefile.h"

#include <QListWidget>

// The card directory listing, "Programs/RootDir.txt": every card track with its own command string.

void frmMain::SaveRootDir()
{
    Vexolo::Ui::BusyFeedback busy(this);
    const QString root = cardRoot();
    // Without a reachable card there is nowhere to write: nothing is ever created outside a card.
    if (root.isEmpty())
        return;
    const QString folder = ProgramsFolder(root, true);

    const QStringList commandStrings = AdvStringsCard(rowTexts(lstCard));

    if (!Vexolo::writeFileSafely(folder + QLatin1Char('/') + Vexolo::RootDirFileName,
                                 Vexolo::formatListing(commandStrings)))
        m_platform.warn(QStringLiteral("Could not create root directory listing! Your card may be write portected!"));
}
