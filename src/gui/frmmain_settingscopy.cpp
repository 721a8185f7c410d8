#include "frmmain.h"

#include "commands/commandencoder.h"
#include "commands/commandreader.h"
#include "platform/platformadapter.h"

#include <QListWidget>
#include <QMenu>

// Copying one track's settings onto other playlist entries or a card track. The result is what
// the advanced window would save for the target with the copied fields.

void frmMain::showSettingsMenu(QListWidget *list, const QPoint &position)
{
    const bool onCard = list == lstCard;
    const bool selected = selectedRow(list) >= 0;
    const bool copied = !m_copiedSettings.isEmpty();
    QMenu menu(this);
    menu.addAction(QStringLiteral("Copy Settings"), this,
                   onCard ? &frmMain::copyCardSettings : &frmMain::copyEntrySettings)
        ->setEnabled(selected);
    menu.addAction(QStringLiteral("Paste Settings"), this,
                   onCard ? &frmMain::pasteCardSettings : &frmMain::pasteEntrySettings)
        ->setEnabled(selected && copied);
    if (!onCard)
        menu.addAction(QStringLiteral("Paste Settings to All Entries"), this, &frmMain::pasteSettingsToAllEntries)
            ->setEnabled(copied && list->count() > 0);
    menu.exec(list->viewport()->mapToGlobal(position));
}

void frmMain::copyEntrySettings()
{
    const int row = selectedRow(lstList);
    if (row >= 0 && row < lstListAdv->count())
        m_copiedSettings = lstListAdv->item(row)->text();
}

void frmMain::copyCardSettings()
{
    const int row = selectedRow(lstCard);
    if (row >= 0)
        m_copiedSettings = AdvStringCard(lstCard->item(row)->text());
}

QStringList frmMain::withCopiedSettings(const QStringList &trackNames)
{
    Vexolo::TrackSettings settings;
    Vexolo::readCommandString(settings, m_copiedSettings);
    QStringList commandStrings;
    commandStrings.reserve(trackNames.size());
    for (const QString &trackName : trackNames) {
        settings.trackName = trackName;
        const Vexolo::EncodedCommandString encoded = Vexolo::encodeTrackSettings(settings);
        if (encoded.tooLong()) {
            m_platform.tell(encoded.tooLongMessage());
            return {};
        }
        commandStrings.append(encoded.text);
    }
    return commandStrings;
}

void frmMain::pasteEntrySettings()
{
    const int row = selectedRow(lstList);
    if (m_copiedSettings.isEmpty() || row < 0 || row >= lstListAdv->count())
        return;
    const QStringList pasted = withCopiedSettings({lstList->item(row)->text()});
    if (pasted.isEmpty())
        return;
    const auto edit = m_history.edit();
    lstListAdv->item(row)->setText(pasted.first());
}

void frmMain::pasteSettingsToAllEntries()
{
    if (m_copiedSettings.isEmpty() || lstListAdv->count() == 0)
        return;
    const QStringList pasted = withCopiedSettings(rowTexts(lstList));
    if (pasted.size() != lstListAdv->count())
        return;
    const auto edit = m_history.edit();
    for (int row = 0; row < pasted.size(); ++row)
        lstListAdv->item(row)->setText(pasted.at(row));
}

void frmMain::pasteCardSettings()
{
    const int row = selectedRow(lstCard);
    if (m_copiedSettings.isEmpty() || row < 0)
        return;
    const QString track = lstCard->item(row)->text();
    const QStringList pasted = withCopiedSettings({track});
    if (!pasted.isEmpty())
        writeTrackCommandFile(track, pasted.first());
}
