#pragma once

#include "playlist/playlistdocument.h"
#include "storage/cardstore.h"

#include <QString>
#include <QStringList>

#include <functional>

class PlatformAdapter;
class QWidget;

namespace Vexolo {
class CardTracks;
class PlaylistDocument;
} // namespace Vexolo

namespace Vexolo::Ui {

class CardCalls;
class PlaylistHistory;

// Programs on the card: Save, Load and Delete with their questions, the listing written on
// closing, and the command strings tracks bring along. The card store does the work on the card's
// worker; this asks, starts it, shows what it says when it comes and keeps the document in step
// with the card. What follows a call (then) runs only when it went through.
class Programs final
{
public:
    Programs(QWidget &window, PlatformAdapter &platform, const Vexolo::CardStore &chosen, Vexolo::FileOps &ops,
             CardCalls &calls, Vexolo::PlaylistDocument &document, PlaylistHistory &history,
             const Vexolo::CardTracks &tracks);
    Q_DISABLE_COPY_MOVE(Programs)

    // "Playlist N has changes that are not saved." with Save, Discard and Cancel when they are; then runs once
    // they are saved or discarded; otherwise on Cancel or a Save that failed.
    void confirmDiscardChanges(const std::function<void()> &then, const std::function<void()> &otherwise = {});
    // Save: the program file and its name, after the checks and the question about overwriting.
    void save(std::function<void()> then = {}, std::function<void()> failed = {});
    // Replaces the playlist with program number from the card; then gets each entry's record in the program
    // file, from 1.
    void load(Vexolo::ProgramNumber number, std::function<void(QList<int>)> then = {});
    // Delete: the program file, after the question; the playlist is emptied only when it is gone.
    void remove();
    // The listing on closing; then once it is written or could not be.
    void writeListing(std::function<void()> then);
    // What the tracks bring into the playlist, with a message for each unreadable command file.
    void commandStrings(const QStringList &trackNames, std::function<void(QStringList)> then);
    // Shows the card store's messages, in order.
    void show(const Vexolo::Notices &notices);

    // The chosen card as a call takes it: its own store is made on the card's worker.
    Vexolo::CardChoice chosen() const;
    Vexolo::FileOps &ops() const { return m_ops; }

private:
    // sent: the playlist as it stood when Save was pressed, what the plan holds.
    void write(const Vexolo::CardStore::SavePlan &plan, const Vexolo::PlaylistContent &sent,
               const std::function<void()> &then, const std::function<void()> &failed);

    QWidget &m_window;
    PlatformAdapter &m_platform;
    const Vexolo::CardStore &m_chosen;
    Vexolo::FileOps &m_ops;
    CardCalls &m_calls;
    Vexolo::PlaylistDocument &m_document;
    PlaylistHistory &m_history;
    const Vexolo::CardTracks &m_tracks;
};

} // namespace Vexolo::Ui
