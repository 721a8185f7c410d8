#pragma once

#include "storage/programnumber.h"

#include <QAbstractListModel>
#include <QIdentityProxyModel>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace Vexolo {

// One playlist entry: a track as the card names it and its command string. The id stays with the
// entry through moves, undo and redo, so a window opened for an entry finds it wherever it stands.
struct PlaylistEntry
{
    quint64 id = 0;
    QString name;
    QString commandString;
    // Content only: two entries with the same track and string are the same to the card.
    bool operator==(const PlaylistEntry &other) const
    {
        return name == other.name && commandString == other.commandString;
    }
};
using PlaylistEntries = QList<PlaylistEntry>;

// What a program is: its number, its name and its entries.
struct PlaylistContent
{
    ProgramNumber number = 1;
    QString name;
    PlaylistEntries entries;
    bool operator==(const PlaylistContent &) const = default;
};

// The playlist being edited, the one place it lives; the lists of the main window are views of it.
// Rows show the track names as the user sees them; CommandStringRole gives each entry's string.
// The document also remembers what was last loaded or saved, to tell whether it has changed.
class PlaylistDocument final : public QAbstractListModel
{
    Q_OBJECT

public:
    // OwnSettingsRole: whether the entry carries settings of its own, not those of a track without a command file.
    enum Role { NameRole = Qt::UserRole + 1, CommandStringRole, IdRole, OwnSettingsRole };

    explicit PlaylistDocument(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(PlaylistDocument)

    // Views ask for every row's index on each layout: without the generic checks' virtual calls.
    QModelIndex index(int row, int column = 0, const QModelIndex &parent = {}) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDropActions() const override;
    // A view's drag: goes the move route when one is set, so the window can record it.
    bool moveRows(const QModelIndex &sourceParent, int sourceRow, int count, const QModelIndex &destinationParent,
                  int destinationChild) override;

    ProgramNumber number() const { return m_content.number; }
    QString name() const { return m_content.name; }
    const PlaylistEntries &entries() const { return m_content.entries; }
    const PlaylistContent &content() const { return m_content; }
    int count() const { return int(m_content.entries.size()); }
    const PlaylistEntry &at(int row) const { return m_content.entries.at(row); }
    QStringList names() const;
    QStringList commandStrings() const;
    int rowOf(quint64 id) const; // -1 when the entry is gone

    // The edits. Entries inserted with id 0 get a new id.
    void insertEntries(int row, PlaylistEntries entries);
    PlaylistEntries takeEntries(int row, int count);
    // Moves count entries from row from so that the first of them stands at row to afterwards.
    void moveEntries(int from, int count, int to);
    // Replaces the strings of the entries from row first on; returns the strings they had.
    QStringList setCommandStrings(int first, const QStringList &commandStrings);
    void setName(const QString &name);
    // The whole program at once (Load); returns the content it replaced.
    PlaylistContent replaceContent(PlaylistContent content);

    // What the card holds as far as the document knows: set after a Load, a Save or a Delete.
    const PlaylistContent &savedContent() const { return m_saved; }
    PlaylistContent replaceSavedContent(PlaylistContent saved);
    void markEntriesSaved();
    void markNameSaved();
    // Differs by content from what was last loaded or saved.
    bool isModified() const { return m_content != m_saved; }

    using MoveRoute = std::function<void(int from, int count, int to)>;
    void setMoveRoute(MoveRoute route) { m_moveRoute = std::move(route); }

Q_SIGNALS:
    void numberChanged(Vexolo::ProgramNumber number);
    void nameChanged(const QString &name);

private:
    void assignIds(PlaylistEntries &entries);

    PlaylistContent m_content;
    PlaylistContent m_saved;
    MoveRoute m_moveRoute;
    quint64 m_nextId = 1;
};

// The document's command strings as the rows of a list (the hidden list beside the playlist).
class PlaylistCommandStrings final : public QIdentityProxyModel
{
    Q_OBJECT

public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};

} // namespace Vexolo
