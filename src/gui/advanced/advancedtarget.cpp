#include "advancedtarget.h"

#include "main/playlisthistory.h"
#include "storage/cardfiles.h"

namespace Vexolo::Ui {

Vexolo::Notices writeCardTrackSettings(const AdvancedTarget &target, const QString &commandString,
                                       Vexolo::CardStore &store)
{
    // Another card chosen since, even one with a track of the same name: nothing is written.
    if (!target.card.isValid() || target.card != store.identity()) {
        const QString file = Vexolo::trimmedBlanks(Vexolo::trackCommandFileName(target.trackName));
        return {{Vexolo::Notice::Plain, Vexolo::Notice::Message::WriteFailed, {file}, {}, {}}};
    }
    return store.writeTrackCommand(target.trackName, commandString);
}

Vexolo::Notices applyAdvancedSettings(const AdvancedTarget &target, const QString &commandString,
                                      Vexolo::CardStore &store, const Vexolo::PlaylistDocument &document,
                                      PlaylistHistory &history)
{
    if (target.onCard())
        return writeCardTrackSettings(target, commandString, store);
    // The main window stayed usable while the advanced one was open: the entry may have moved,
    // or be gone.
    const int row = document.rowOf(target.entryId);
    if (row < 0)
        return {{Vexolo::Notice::Plain, Vexolo::Notice::Message::EntryGone, {}, {}, {}}};
    history.setCommandStrings(row, {commandString}, QStringLiteral("Advanced Settings"));
    return {};
}

} // namespace Vexolo::Ui
