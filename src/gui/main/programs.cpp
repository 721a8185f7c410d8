#include "programs.h"

#include "main/playlisthistory.h"
#include "platform/platformadapter.h"
#include "playlist/cardtracks.h"
#include "playlist/playlistdocument.h"
#include "widgets/cardcalls.h"
#include "widgets/noticetext.h"

namespace Vexolo::Ui {

using Vexolo::CardStore;

Programs::Programs(QWidget &window, PlatformAdapter &platform, const CardStore &chosen, Vexolo::FileOps &ops,
                   CardCalls &calls, Vexolo::PlaylistDocument &document, PlaylistHistory &history,
                   const Vexolo::CardTracks &tracks)
    : m_window(window)
    , m_platform(platform)
    , m_chosen(chosen)
    , m_ops(ops)
    , m_calls(calls)
    , m_document(document)
    , m_history(history)
    , m_tracks(tracks)
{
}

Vexolo::CardChoice Programs::chosen() const
{
    return {m_chosen.root(), m_chosen.identity(), {}, {}};
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

void Programs::confirmDiscardChanges(const std::function<void()> &then, const std::function<void()> &otherwise)
{
    if (!m_document.isModified())
        return then();
    const QString question
        = QStringLiteral("Playlist ") + m_document.number().text() + QStringLiteral(" has changes that are not saved.");
    switch (m_platform.askSaveDiscardCancel(question)) {
    case PlatformAdapter::AnswerSave:
        // A refused or failed Save leaves changes unsaved: then nothing is dropped.
        return save(
            [this, then, otherwise] {
                if (!m_document.isModified())
                    then();
                else if (otherwise)
                    otherwise();
            },
            otherwise);
    case PlatformAdapter::AnswerDiscard:
        return then();
    default:
        if (otherwise)
            otherwise();
        return;
    }
}

void Programs::save(std::function<void()> then, std::function<void()> failed)
{
    const Vexolo::CardChoice card = chosen();
    // What is saved is the playlist as it stands now; edits made while the card works stay unsaved.
    const Vexolo::PlaylistContent sent = m_document.content();
    auto prepare = [card, &ops = m_ops, sent, strings = m_document.commandStrings()](const CallControl &) {
        return CardStore(card, ops).prepareSave(sent.number, strings, sent.name);
    };
    auto prepared = [this, sent, then, failed](const CardStore::SavePlan &plan) {
        if (!plan.refusal.isEmpty())
            show(plan.refusal);
        else if (!plan.overwrites || m_platform.ask(overwriteQuestion()))
            return write(plan, sent, then, failed);
        if (failed)
            failed();
    };
    m_calls.start<CardStore::SavePlan>(
        {card.root, QStringLiteral("Saving program %1 on the card…").arg(sent.number.text())}, prepare, prepared);
}

void Programs::write(const CardStore::SavePlan &plan, const Vexolo::PlaylistContent &sent,
                     const std::function<void()> &then, const std::function<void()> &failed)
{
    const Vexolo::CardChoice card = chosen();
    auto work = [card, &ops = m_ops, plan, tracks = m_tracks.tracks()](const CallControl &call) {
        return CardStore(card, ops).save(plan, tracks, call.progress);
    };
    auto saved = [this, sent, then, failed](const CardStore::Saved &result) {
        Vexolo::PlaylistContent known = m_document.savedContent();
        if (result.programWritten) {
            known.number = sent.number;
            known.entries = sent.entries;
        }
        if (result.nameWritten)
            known.name = sent.name;
        m_document.replaceSavedContent(std::move(known));
        show(result.notices);
        if (result.programWritten && then)
            then();
        else if (!result.programWritten && failed)
            failed();
    };
    m_calls.start<CardStore::Saved>({card.root,
                                     QStringLiteral("Saving program %1 on the card…").arg(plan.number.text()),
                                     Vexolo::CardSession::Mode::Write},
                                    work, saved);
}

void Programs::load(Vexolo::ProgramNumber number, std::function<void(QList<int>)> then)
{
    const Vexolo::CardChoice card = chosen();
    auto work = [card, &ops = m_ops, number](const CallControl &call) {
        return CardStore(card, ops).loadProgram(number, call.progress);
    };
    m_calls.start<CardStore::Loaded>(
        {card.root, QStringLiteral("Loading program %1 from the card…").arg(number.text())}, work,
        [this, number, then = std::move(then)](const CardStore::Loaded &loaded) {
            Vexolo::PlaylistContent content {number, loaded.name, {}};
            content.entries.reserve(loaded.names.size());
            for (qsizetype i = 0; i < loaded.names.size(); ++i)
                content.entries.append({0, loaded.names.at(i), loaded.commandStrings.at(i)});
            m_history.load(std::move(content));
            show(loaded.notices);
            if (then)
                then(loaded.records);
        });
}

void Programs::remove()
{
    const Vexolo::CardChoice card = chosen();
    const Vexolo::ProgramNumber number = m_document.number();
    const QString what = QStringLiteral("Deleting program %1 from the card…").arg(number.text());
    auto prepare
        = [card, &ops = m_ops, number](const CallControl &) { return CardStore(card, ops).prepareDelete(number); };
    m_calls.start<CardStore::DeletePlan>({card.root, what}, prepare, [=, this](const CardStore::DeletePlan &plan) {
        show(plan.refusal);
        if (!plan.exists || !m_platform.ask(deleteQuestion(number)))
            return;
        auto work
            = [card, &ops = m_ops, number](const CallControl &) { return CardStore(card, ops).deleteProgram(number); };
        m_calls.start<CardStore::Deleted>({card.root, what, Vexolo::CardSession::Mode::Write}, work,
                                          [this](const CardStore::Deleted &deleted) {
                                              show(deleted.notices);
                                              // A failed delete must not look like a successful one: the playlist stays
                                              // as it is.
                                              if (deleted.deleted)
                                                  m_history.deleted();
                                          });
    });
}

void Programs::writeListing(std::function<void()> then)
{
    const Vexolo::CardChoice card = chosen();
    auto work = [card, &ops = m_ops, tracks = m_tracks.tracks()](const CallControl &call) {
        return CardStore(card, ops).writeListing(tracks, call.progress);
    };
    m_calls.start<Vexolo::Notices>(
        {card.root, QStringLiteral("Writing the card's track listing…"), Vexolo::CardSession::Mode::Write, false}, work,
        [this, then](const Vexolo::Notices &notices) {
            show(notices);
            then();
        });
}

void Programs::commandStrings(const QStringList &trackNames, std::function<void(QStringList)> then)
{
    const Vexolo::CardChoice card = chosen();
    auto work = [card, &ops = m_ops, trackNames](const CallControl &call) {
        return CardStore(card, ops).lookupCommands(trackNames, call.progress);
    };
    m_calls.start<CardStore::Lookup>({card.root, QStringLiteral("Reading the tracks' settings from the card…")}, work,
                                     [this, then = std::move(then)](const CardStore::Lookup &found) {
                                         show(found.notices);
                                         then(found.commandStrings);
                                     });
}

} // namespace Vexolo::Ui
