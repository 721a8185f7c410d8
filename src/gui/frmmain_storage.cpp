#include "frmmain.h"

#include "platform/platformadapter.h"

#include <QLineEdit>
#include <QListWidget>

// Save, Load and Delete of programs, and the track command lookup: the window gathers the values,
// the card store does the work and names the messages to show.

void frmMain::showNotices(const Vexolo::Notices &notices)
{
    for (const Vexolo::Notice &notice : notices) {
        if (notice.kind == Vexolo::Notice::Caution)
            m_platform.warn(notice.text);
        else
            m_platform.tell(notice.text);
    }
}

QString frmMain::AdvStringCard(const QString &trackName)
{
    return AdvStringsCard({trackName}).constFirst();
}

QStringList frmMain::AdvStringsCard(const QStringList &trackNames, const Vexolo::Progress &progress)
{
    const Vexolo::CardStore::Lookup found = m_store.lookupCommands(trackNames, progress);
    showNotices(found.notices);
    return found.commandStrings;
}

void frmMain::cmdSave_Action()
{
    Vexolo::Ui::BusyFeedback busy(this);
    const Vexolo::CardStore::SavePlan plan
        = m_store.prepareSave(txtList->text(), rowTexts(lstListAdv), txtName->text());
    if (!plan.refusal.isEmpty()) {
        showNotices(plan.refusal);
        return;
    }
    if (!plan.overwriteQuestion.isEmpty() && !m_platform.ask(plan.overwriteQuestion))
        return;
    const Vexolo::CardStore::Saved saved = m_store.save(plan, rowTexts(lstCard), busy.callback());
    if (saved.programWritten)
        m_history.markEntriesSaved();
    if (saved.nameWritten)
        m_history.markNameSaved(txtName->text());
    showNotices(saved.notices);
}

void frmMain::cmdLoad_Action()
{
    if (!confirmDiscardChanges())
        return;
    const auto loading = m_history.load();
    Vexolo::Ui::BusyFeedback busy(this);
    lstList->clear();
    lstListAdv->clear();
    const Vexolo::CardStore::Loaded loaded = m_store.loadProgram(txtList->text(), busy.callback());
    lstList->addItems(loaded.names);
    lstListAdv->addItems(loaded.commandStrings);
    showNotices(loaded.notices);
    txtName->setText(loaded.name);
}

void frmMain::cmdDelete_Action()
{
    const QString number = txtList->text();
    const Vexolo::CardStore::DeletePlan plan = m_store.prepareDelete(number);
    showNotices(plan.refusal);
    if (plan.question.isEmpty() || !m_platform.ask(plan.question))
        return;
    const Vexolo::CardStore::Deleted deleted = m_store.deleteProgram(number);
    showNotices(deleted.notices);
    // A failed delete must not look like a successful one: the playlist stays as it is.
    if (!deleted.deleted)
        return;
    // The card holds no program under this number now: the empty playlist matches it; undo brings
    // the entries back, to be saved again.
    const auto emptied = m_history.load(true);
    lstList->clear();
    lstListAdv->clear();
}
