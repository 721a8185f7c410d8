#include "playlisthistory.h"

#include <optional>
#include <utility>

namespace Vexolo::Ui {

namespace {

using Vexolo::PlaylistContent;
using Vexolo::PlaylistDocument;
using Vexolo::PlaylistEntries;

// Holds the entries only while they are out of the document: the inserted ones after an undo,
// the removed ones while the removal stands.
class EntriesStep final : public QUndoCommand
{
public:
    EntriesStep(PlaylistDocument &document, int row, int count, PlaylistEntries inserted, const QString &text)
        : QUndoCommand(text)
        , m_document(document)
        , m_row(row)
        , m_count(count)
        , m_held(std::move(inserted))
        , m_inserts(!m_held.isEmpty())
    {
    }

    void redo() override { apply(m_inserts); }
    void undo() override { apply(!m_inserts); }

private:
    void apply(bool insert)
    {
        if (insert)
            m_document.insertEntries(m_row, std::exchange(m_held, {}));
        else
            m_held = m_document.takeEntries(m_row, m_count);
    }

    PlaylistDocument &m_document;
    int m_row;
    int m_count;
    PlaylistEntries m_held;
    bool m_inserts;
};

// A run of moves of the same range ("Move Down" pressed again and again) is one step.
class MoveStep final : public QUndoCommand
{
public:
    MoveStep(PlaylistDocument &document, int from, int count, int to)
        : QUndoCommand(QStringLiteral("Move"))
        , m_document(document)
        , m_from(from)
        , m_count(count)
        , m_to(to)
    {
    }

    void redo() override { m_document.moveEntries(m_from, m_count, m_to); }
    void undo() override { m_document.moveEntries(m_to, m_count, m_from); }
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const MoveStep *>(other);
        const bool continues = next->m_from == m_to && next->m_count == m_count;
        if (continues) {
            m_to = next->m_to;
            setObsolete(m_from == m_to);
        }
        return continues;
    }

private:
    PlaylistDocument &m_document;
    int m_from;
    int m_count;
    int m_to;
};

// Holds the strings that are not in the document: the old ones while the change stands.
class StringsStep final : public QUndoCommand
{
public:
    StringsStep(PlaylistDocument &document, int first, QStringList strings, const QString &text)
        : QUndoCommand(text)
        , m_document(document)
        , m_first(first)
        , m_strings(std::move(strings))
    {
    }

    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap() { m_strings = m_document.setCommandStrings(m_first, m_strings); }

    PlaylistDocument &m_document;
    int m_first;
    QStringList m_strings;
};

// Holds the program that is not in the document, with what the card held for it then (a Load);
// a Delete changed the card for good, so undoing it leaves what the card holds as it is.
class ReplaceStep final : public QUndoCommand
{
public:
    ReplaceStep(PlaylistDocument &document, PlaylistContent content, std::optional<PlaylistContent> saved,
                const QString &text)
        : QUndoCommand(text)
        , m_document(document)
        , m_content(std::move(content))
        , m_saved(std::move(saved))
    {
    }

    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap()
    {
        if (m_saved)
            m_saved = m_document.replaceSavedContent(std::move(*m_saved));
        m_content = m_document.replaceContent(std::move(m_content));
    }

    PlaylistDocument &m_document;
    PlaylistContent m_content;
    std::optional<PlaylistContent> m_saved;
};

} // namespace

PlaylistHistory::PlaylistHistory(PlaylistDocument &document)
    : m_document(document)
{
    m_stack.setUndoLimit(UndoLimit);
    m_document.setMoveRoute([this](int from, int count, int to) { move(from, count, to); });
}

void PlaylistHistory::insert(int row, PlaylistEntries entries)
{
    if (entries.isEmpty())
        return;
    const int count = int(entries.size());
    m_stack.push(new EntriesStep(m_document, row, count, std::move(entries), QStringLiteral("Add")));
}

void PlaylistHistory::remove(int row, int count)
{
    if (count > 0)
        m_stack.push(new EntriesStep(m_document, row, count, {}, QStringLiteral("Remove")));
}

void PlaylistHistory::move(int from, int count, int to)
{
    if (from != to)
        m_stack.push(new MoveStep(m_document, from, count, to));
}

void PlaylistHistory::setCommandStrings(int first, const QStringList &commandStrings, const QString &text)
{
    if (!commandStrings.isEmpty())
        m_stack.push(new StringsStep(m_document, first, commandStrings, text));
}

void PlaylistHistory::load(PlaylistContent content)
{
    if (!m_document.isModified()) {
        m_stack.clear();
        m_document.replaceContent(std::move(content));
        // Shared with the document until its next edit: comparing them costs nothing meanwhile.
        m_document.replaceSavedContent(m_document.content());
        return;
    }
    PlaylistContent saved = content;
    m_stack.push(new ReplaceStep(m_document, std::move(content), std::move(saved), QStringLiteral("Load")));
}

void PlaylistHistory::deleted()
{
    PlaylistContent emptied = m_document.content();
    emptied.entries.clear();
    m_document.replaceSavedContent(emptied);
    m_stack.push(new ReplaceStep(m_document, std::move(emptied), std::nullopt, QStringLiteral("Delete")));
}

} // namespace Vexolo::Ui
