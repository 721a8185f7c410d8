#pragma once

#include <QList>
#include <QString>
#include <QUndoStack>

class QLineEdit;
class QListWidget;

namespace Vexolo::Ui {

// lstList rows carry a number of their own that stays with the entry through moves, drags, undo
// and redo, so a window opened for an entry finds it wherever it now stands.
inline constexpr int EntryIdRole = Qt::UserRole + 1;

struct PlaylistEntryState
{
    QString name;
    QString commandString;
    quint64 id = 0;
    friend bool operator==(const PlaylistEntryState &, const PlaylistEntryState &) = default;
};

// The entries as they stand, with the selected row; a Load's state also holds the name.
struct PlaylistState
{
    QList<PlaylistEntryState> entries;
    int selected = -1;
    bool withName = false;
    QString name;
    bool sameContent(const PlaylistState &other) const
    {
        return entries == other.entries && (!withName || name == other.name);
    }
};

class PlaylistHistory;

// One user action on the entries: what changed while it lives becomes one undoable step. Nested
// edits (a handler run by another) join the outermost one.
class [[nodiscard]] PlaylistEdit
{
public:
    explicit PlaylistEdit(PlaylistHistory &history);
    ~PlaylistEdit();
    Q_DISABLE_COPY_MOVE(PlaylistEdit)

private:
    PlaylistHistory &m_history;
    PlaylistState m_before;
    bool m_outermost;
};

// A Load, or anything else that makes the entries match the card again: replaced changes become
// one undoable step, and the result counts as unchanged. Without changes a Load starts a new
// history; recordAlways keeps it and records the replaced entries anyway.
class [[nodiscard]] PlaylistLoad
{
public:
    PlaylistLoad(PlaylistHistory &history, bool recordAlways);
    ~PlaylistLoad();
    Q_DISABLE_COPY_MOVE(PlaylistLoad)

private:
    PlaylistHistory &m_history;
    PlaylistState m_before;
    bool m_changed;
};

// The playlist's undo history and whether it differs from what was last loaded or saved.
class PlaylistHistory
{
public:
    PlaylistHistory() = default;
    Q_DISABLE_COPY_MOVE(PlaylistHistory)

    void attach(QListWidget *names, QListWidget *commandStrings, QLineEdit *nameField);
    QUndoStack &stack() { return m_stack; }

    PlaylistEdit edit() { return PlaylistEdit(*this); }
    PlaylistLoad load(bool recordAlways = false) { return PlaylistLoad(*this, recordAlways); }
    // A drag moves lstList's rows before anyone is told: the state is taken when it is about to.
    void beginMove();
    void endMove();

    // Differs from the last loaded or saved playlist, and the user has not agreed to drop that.
    bool isDirty() const { return !m_discarded && changed(); }
    // The user agreed to drop the changes; the Load that follows records them as a step.
    void discardChanges() { m_discarded = true; }
    void markEntriesSaved() { m_stack.setClean(); }
    void markNameSaved(const QString &name) { m_savedName = name; }

    // Gives rows first to last of lstList an entry id when they have none yet.
    void tagRows(int first, int last);
    quint64 entryId(int row) const;
    int rowOfEntry(quint64 id) const; // -1 when the entry is gone

    PlaylistState capture(bool withName) const;
    void restore(const PlaylistState &state);

private:
    friend class PlaylistEdit;
    friend class PlaylistLoad;
    bool changed() const;
    void record(PlaylistState before, PlaylistState after);

    QListWidget *m_names = nullptr;
    QListWidget *m_commandStrings = nullptr;
    QLineEdit *m_nameField = nullptr;
    QUndoStack m_stack;
    QString m_savedName;
    PlaylistState m_moveBefore;
    quint64 m_nextId = 1;
    int m_depth = 0;
    bool m_discarded = false;
};

} // namespace Vexolo::Ui
