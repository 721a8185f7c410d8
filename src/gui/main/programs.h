#pragma once

#include "storage/cardstore.h"

#include <QString>
#include <QStringList>

class PlatformAdapter;
class QWidget;

namespace Vexolo {
class CardTracks;
class PlaylistDocument;
} // namespace Vexolo

namespace Vexolo::Ui {

class PlaylistHistory;

// Programs on the card: Save, Load and Delete with their questions, the listing written on
// closing, and the command strings tracks bring along. The card store does the work; this shows
// what it says and keeps the document in step with the card.
class Programs final
{
public:
    Programs(QWidget &window, PlatformAdapter &platform, Vexolo::CardStore &store, Vexolo::PlaylistDocument &document,
             PlaylistHistory &history, const Vexolo::CardTracks &tracks);
    Q_DISABLE_COPY_MOVE(Programs)

    // "Playlist N has changes that are not saved." with Save, Discard and Cancel when they are; true to
    // go on: saved, or discarded.
    bool confirmDiscardChanges();
    // Save: the program file and its name, after the checks and the question about overwriting.
    void save();
    // Replaces the playlist with program number from the card; each entry's record in the program file, from 1.
    QList<int> load(Vexolo::ProgramNumber number);
    // Delete: the program file, after the question; the playlist is emptied only when it is gone.
    void remove();
    void writeListing();
    // What the tracks bring into the playlist, with a message for each unreadable command file.
    QStringList commandStrings(const QStringList &trackNames, const Vexolo::Progress &progress = {});
    // Shows the card store's messages, in order.
    void show(const Vexolo::Notices &notices);

private:
    QWidget &m_window;
    PlatformAdapter &m_platform;
    Vexolo::CardStore &m_store;
    Vexolo::PlaylistDocument &m_document;
    PlaylistHistory &m_history;
    const Vexolo::CardTracks &m_tracks;
};

} // namespace Vexolo::Ui
