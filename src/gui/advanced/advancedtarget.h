#pragma once

#include "storage/cardstore.h"

#include <QString>

namespace Vexolo {
class PlaylistDocument;
}

namespace Vexolo::Ui {

class PlaylistHistory;

// What the advanced window was opened for: a playlist entry (by its id, wherever it now stands)
// or a track of one card (by the card's identity and the track's name). The window holds it and
// hands it back with the string it saves.
struct AdvancedTarget
{
    enum Kind { Entry, CardTrack };
    Kind kind = Entry;
    quint64 entryId = 0;
    Vexolo::CardIdentity card;
    QString trackName;

    bool onCard() const { return kind == CardTrack; }
    static AdvancedTarget entry(quint64 id) { return {Entry, id, {}, {}}; }
    static AdvancedTarget cardTrack(const Vexolo::CardIdentity &card, const QString &trackName)
    {
        return {CardTrack, 0, card, trackName};
    }
};

// Applies a string saved in the advanced window to its target: an entry through the history, a
// card track's command file only on the card it was opened on. Returns the messages to show.
Vexolo::Notices applyAdvancedSettings(const AdvancedTarget &target, const QString &commandString,
                                      Vexolo::CardStore &store, const Vexolo::PlaylistDocument &document,
                                      PlaylistHistory &history);

// The card track's part of it, on the card's worker: the command file written only on the card it was opened on.
Vexolo::Notices writeCardTrackSettings(const AdvancedTarget &target, const QString &commandString,
                                       Vexolo::CardStore &store);

} // namespace Vexolo::Ui
