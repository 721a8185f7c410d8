#include "playlistundo.h"

#include <QLineEdit>
#include <QListWidget>

namespace Vexolo::Ui {

namespace {

// The change was made by the handler already; the stack only replays it after an undo.
class PlaylistStep final : public QUndoCommand
{
public:
    PlaylistStep(PlaylistHistory &history, PlaylistState before, PlaylistState after)
        : m_history(history)
        , m_before(std::move(before))
        , m_after(std::move(after))
    {
    }

    void undo() override { m_history.restore(m_before); }
    void redo() override
    {
        if (m_done) {
            m_done = false;
            return;
        }
        m_history.restore(m_after);
    }

private:
    PlaylistHistory &m_history;
    PlaylistState m_before;
    PlaylistState m_after;
    bool m_done = true;
};

} // namespace

PlaylistEdit::PlaylistEdit(PlaylistHistory &history)
    : m_history(history)
    , m_outermost(history.m_depth++ == 0)
{
    if (m_outermost)
        m_before = history.capture(false);
}

PlaylistEdit::~PlaylistEdit()
{
    --m_history.m_depth;
    if (m_outermost)
        m_history.record(std::move(m_before), m_history.capture(false));
}

PlaylistLoad::PlaylistLoad(PlaylistHistory &history, bool recordAlways)
    : m_history(history)
    , m_before(history.capture(true))
    , m_changed(recordAlways || history.changed())
{
    ++history.m_depth;
}

PlaylistLoad::~PlaylistLoad()
{
    --m_history.m_depth;
    PlaylistState after = m_history.capture(true);
    if (!m_changed)
        m_history.m_stack.clear(); // a playlist of its own: the previous one's steps do not apply
    else if (!m_before.sameContent(after))
        m_history.record(std::move(m_before), std::move(after));
    m_history.m_stack.setClean();
    m_history.m_savedName = m_history.m_nameField->text();
    m_history.m_discarded = false;
}

void PlaylistHistory::attach(QListWidget *names, QListWidget *commandStrings, QLineEdit *nameField)
{
    m_names = names;
    m_commandStrings = commandStrings;
    m_nameField = nameField;
    m_savedName = nameField->text();
    tagRows(0, names->count() - 1);
}

void PlaylistHistory::beginMove()
{
    if (m_depth == 0)
        m_moveBefore = capture(false);
}

void PlaylistHistory::endMove()
{
    if (m_depth == 0)
        record(std::move(m_moveBefore), capture(false));
}

bool PlaylistHistory::changed() const
{
    return !m_stack.isClean() || m_nameField->text() != m_savedName;
}

void PlaylistHistory::record(PlaylistState before, PlaylistState after)
{
    if (!before.sameContent(after))
        m_stack.push(new PlaylistStep(*this, std::move(before), std::move(after)));
}

void PlaylistHistory::tagRows(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        QListWidgetItem *item = m_names->item(row);
        if (!item->data(EntryIdRole).isValid())
            item->setData(EntryIdRole, m_nextId++);
    }
}

quint64 PlaylistHistory::entryId(int row) const
{
    return m_names->item(row)->data(EntryIdRole).toULongLong();
}

int PlaylistHistory::rowOfEntry(quint64 id) const
{
    for (int row = 0; row < m_names->count(); ++row) {
        if (entryId(row) == id)
            return row;
    }
    return -1;
}

PlaylistState PlaylistHistory::capture(bool withName) const
{
    PlaylistState state;
    const int count = m_names->count();
    state.entries.reserve(count);
    for (int row = 0; row < count; ++row) {
        QListWidgetItem *command = m_commandStrings->item(row);
        state.entries.append({m_names->item(row)->text(), command ? command->text() : QString(), entryId(row)});
    }
    const QList<QListWidgetItem *> selected = m_names->selectedItems();
    state.selected = selected.isEmpty() ? -1 : m_names->row(selected.first());
    state.withName = withName;
    if (withName)
        state.name = m_nameField->text();
    return state;
}

void PlaylistHistory::restore(const PlaylistState &state)
{
    m_names->clear();
    m_commandStrings->clear();
    QStringList commandStrings;
    commandStrings.reserve(state.entries.size());
    for (const PlaylistEntryState &entry : state.entries) {
        auto *item = new QListWidgetItem(entry.name);
        item->setData(EntryIdRole, entry.id);
        m_names->addItem(item);
        commandStrings.append(entry.commandString);
    }
    m_commandStrings->addItems(commandStrings);
    if (state.selected >= 0)
        m_names->setCurrentRow(state.selected);
    if (state.withName)
        m_nameField->setText(state.name);
}

} // namespace Vexolo::Ui
