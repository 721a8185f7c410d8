#pragma once

#include "playlist/playlistdocument.h"

#include <QUndoStack>

namespace Vexolo::Ui {

// Every edit of the playlist goes through here and becomes one undoable step that holds only what
// it changed: a moved range, the removed entries, the replaced strings, the document a Load
// replaced. A step that replaces the document brings back its number and name with its entries.
class PlaylistHistory final
{
public:
    // How many steps are kept: enough for a session, bounded for a long one.
    static constexpr int UndoLimit = 200;

    explicit PlaylistHistory(Vexolo::PlaylistDocument &document);
    Q_DISABLE_COPY_MOVE(PlaylistHistory)

    QUndoStack &stack() { return m_stack; }

    void insert(int row, Vexolo::PlaylistEntries entries);
    void remove(int row, int count);
    void move(int from, int count, int to);
    // Replaces the strings of the entries from row first on; text names the step.
    void setCommandStrings(int first, const QStringList &commandStrings, const QString &text);
    // A program read from the card. Replaced work without changes is not worth a step: the
    // history then starts anew.
    void load(Vexolo::PlaylistContent content);
    // The program was deleted from the card: the playlist is emptied; undo brings the entries back,
    // to be saved again.
    void deleted();

private:
    Vexolo::PlaylistDocument &m_document;
    QUndoStack m_stack;
};

} // namespace Vexolo::Ui
