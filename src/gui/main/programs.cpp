#include "programs.h"

#include "main/playlisthistory.h"
#include "platform/platformadapter.h"
#include "playlist/cardtracks.h"
#include "playlist/playlistdocument.h"
#include "widgets/busyfeedback.h"
#include "widgets/noticetext.h"

namespace Vexolo::Ui {

Programs::Programs(QWidget &window, PlatformAdapter &platform, Vexolo::CardStore &store,
                   Vexolo::PlaylistDocument &document, PlaylistHistory &history, const Vexolo::CardTracks &tracks)
    : m_window(window)
    , m_platform(platform)
    , m_store(store)
    , m_document(document)
    , m_history(history)
    , m_tracks(tracks)
{
}

void Programs::show(const Vexolo::Notices &notices)
{
    for (const Vexolo::Notice &notice : notices) {
        if (notice.kind == Vexolo::Notice::Caution)
            m_platform.warn(noticeText(notice));
        else
            m_platform.tell(noticeText(notice));
    }
}

bool Programs::confirmDiscardChanges()
{
    if (!m_document.isModified())
        return true;
    const QString question
        = QStringLiteral("Playlist ") + m_document.number().text() + QStringLiteral(" has changes that are not saved.");
    switch (m_platform.askSaveDiscardCancel(question)) {
    case PlatformAdapter::AnswerSave:
        save();
        // A refused or failed Save leaves changes unsaved: then nothing is dropped.
        return !m_document.isModified();
    case PlatformAdapter::AnswerDiscard:
        return true;
    default:
        return false;
    }
}

QStringList Programs::commandStrings(const QStringList &trackNames, const Vexolo::Progress &progress)
{
    const Vexolo::CardStore::Lookup found = m_store.lookupCommands(trackNames, progress);
    show(found.notices);
    return found.commandStrings;
}

void Programs::save()
{
    BusyFeedback busy(&m_window);
    const Vexolo::CardStore::SavePlan plan
        = m_store.prepareSave(m_document.number(), m_document.commandStrings(), m_document.name());
    if (!plan.refusal.isEmpty())
        return show(plan.refusal);
    if (plan.overwrites && !m_platform.ask(overwriteQuestion()))
        return;
    const Vexolo::CardStore::Saved saved = m_store.save(plan, m_tracks.tracks(), busy.callback());
    if (saved.programWritten) {
        m_document.markEntriesSaved();
    }
    if (saved.nameWritten)
        m_document.markNameSaved();
    show(saved.notices);
}

QList<int> Programs::load(Vexolo::ProgramNumber number)
{
    BusyFeedback busy(&m_window);
    const Vexolo::CardStore::Loaded loaded = m_store.loadProgram(number, busy.callback());
    Vexolo::PlaylistContent content {number, loaded.name, {}};
    content.entries.reserve(loaded.names.size());
    for (qsizetype i = 0; i < loaded.names.size(); ++i)
        content.entries.append({0, loaded.names.at(i), loaded.commandStrings.at(i)});
    m_history.load(std::move(content));
    show(loaded.notices);
    return loaded.records;
}

void Programs::remove()
{
    BusyFeedback busy(&m_window);
    const Vexolo::ProgramNumber number = m_document.number();
    const Vexolo::CardStore::DeletePlan plan = m_store.prepareDelete(number);
    show(plan.refusal);
    if (!plan.exists || !m_platform.ask(deleteQuestion(number)))
        return;
    const Vexolo::CardStore::Deleted deleted = m_store.deleteProgram(number);
    show(deleted.notices);
    // A failed delete must not look like a successful one: the playlist stays as it is.
    if (deleted.deleted)
        m_history.deleted();
}

void Programs::writeListing()
{
    BusyFeedback busy(&m_window);
    show(m_store.writeListing(m_tracks.tracks(), busy.callback()));
}

} // namespace Vexolo::Ui
