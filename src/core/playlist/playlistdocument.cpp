#include "playlist/playlistdocument.h"

#include "card/tracknames.h"
#include "commands/settingswords.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace Vexolo {

PlaylistDocument::PlaylistDocument(QObject *parent)
    : QAbstractListModel(parent)
{
}

QModelIndex PlaylistDocument::index(int row, int column, const QModelIndex &parent) const
{
    return row >= 0 && row < count() && column == 0 && !parent.isValid() ? createIndex(row, 0) : QModelIndex();
}

int PlaylistDocument::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant PlaylistDocument::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const PlaylistEntry &entry = at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return shownName(entry.name);
    case Qt::ToolTipRole: {
        // The name in full, and the entry's own settings in words.
        const QString words = settingsWords(entry.commandString);
        return words.isEmpty() ? shownName(entry.name) : shownName(entry.name) + u'\n' + words;
    }
    case OwnSettingsRole:
        return !settingsWords(entry.commandString).isEmpty();
    case NameRole:
        return entry.name;
    case CommandStringRole:
        return entry.commandString;
    case IdRole:
        return entry.id;
    default:
        return {};
    }
}

Qt::ItemFlags PlaylistDocument::flags(const QModelIndex &index) const
{
    // Rows are dropped between others, never onto one.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

Qt::DropActions PlaylistDocument::supportedDropActions() const
{
    return Qt::MoveAction;
}

bool PlaylistDocument::moveRows(const QModelIndex &sourceParent, int sourceRow, int count,
                                const QModelIndex &destinationParent, int destinationChild)
{
    if (sourceParent.isValid() || destinationParent.isValid() || count < 1 || sourceRow < 0
        || sourceRow + count > this->count() || destinationChild < 0 || destinationChild > this->count()
        || (destinationChild >= sourceRow && destinationChild <= sourceRow + count))
        return false;
    const int to = destinationChild > sourceRow ? destinationChild - count : destinationChild;
    if (m_moveRoute)
        m_moveRoute(sourceRow, count, to);
    else
        moveEntries(sourceRow, count, to);
    return true;
}

QStringList PlaylistDocument::names() const
{
    QStringList names;
    names.reserve(count());
    for (const PlaylistEntry &entry : entries())
        names.append(entry.name);
    return names;
}

QStringList PlaylistDocument::commandStrings() const
{
    QStringList strings;
    strings.reserve(count());
    for (const PlaylistEntry &entry : entries())
        strings.append(entry.commandString);
    return strings;
}

int PlaylistDocument::rowOf(quint64 id) const
{
    for (int row = 0; row < count(); ++row) {
        if (at(row).id == id)
            return row;
    }
    return -1;
}

void PlaylistDocument::assignIds(PlaylistEntries &entries)
{
    for (PlaylistEntry &entry : entries) {
        if (entry.id == 0)
            entry.id = m_nextId++;
    }
}

void PlaylistDocument::insertEntries(int row, PlaylistEntries entries)
{
    Q_ASSERT(row >= 0 && row <= count());
    if (entries.isEmpty())
        return;
    assignIds(entries);
    beginInsertRows({}, row, row + int(entries.size()) - 1);
    if (row == count() && m_content.entries.isEmpty())
        m_content.entries = std::move(entries);
    else {
        m_content.entries.insert(row, entries.size(), PlaylistEntry {});
        std::move(entries.begin(), entries.end(), m_content.entries.begin() + row);
    }
    endInsertRows();
}

PlaylistEntries PlaylistDocument::takeEntries(int row, int count)
{
    Q_ASSERT(row >= 0 && count >= 0 && row + count <= this->count());
    if (count == 0)
        return {};
    beginRemoveRows({}, row, row + count - 1);
    PlaylistEntries taken;
    taken.reserve(count);
    std::move(m_content.entries.begin() + row, m_content.entries.begin() + row + count, std::back_inserter(taken));
    m_content.entries.remove(row, count);
    endRemoveRows();
    return taken;
}

void PlaylistDocument::moveEntries(int from, int count, int to)
{
    Q_ASSERT(count > 0 && from >= 0 && to >= 0 && from + count <= this->count() && to + count <= this->count());
    if (from == to)
        return;
    beginMoveRows({}, from, from + count - 1, {}, to > from ? to + count : to);
    PlaylistEntries &entries = m_content.entries;
    const auto first = entries.begin();
    if (to > from)
        std::rotate(first + from, first + from + count, first + to + count);
    else
        std::rotate(first + to, first + from, first + from + count);
    endMoveRows();
}

QStringList PlaylistDocument::setCommandStrings(int first, const QStringList &commandStrings)
{
    Q_ASSERT(first >= 0 && first + commandStrings.size() <= count());
    QStringList old;
    old.reserve(commandStrings.size());
    for (qsizetype i = 0; i < commandStrings.size(); ++i)
        old.append(std::exchange(m_content.entries[first + i].commandString, commandStrings.at(i)));
    if (!commandStrings.isEmpty())
        Q_EMIT dataChanged(index(first), index(first + int(commandStrings.size()) - 1), {CommandStringRole});
    return old;
}

void PlaylistDocument::setName(const QString &name)
{
    if (name == m_content.name)
        return;
    m_content.name = name;
    Q_EMIT nameChanged(name);
}

PlaylistContent PlaylistDocument::replaceContent(PlaylistContent content)
{
    assignIds(content.entries);
    beginResetModel();
    PlaylistContent old = std::exchange(m_content, std::move(content));
    endResetModel();
    if (old.number != m_content.number)
        Q_EMIT numberChanged(m_content.number);
    if (old.name != m_content.name)
        Q_EMIT nameChanged(m_content.name);
    return old;
}

PlaylistContent PlaylistDocument::replaceSavedContent(PlaylistContent saved)
{
    return std::exchange(m_saved, std::move(saved));
}

void PlaylistDocument::markEntriesSaved()
{
    m_saved.number = m_content.number;
    m_saved.entries = m_content.entries;
}

void PlaylistDocument::markNameSaved()
{
    m_saved.name = m_content.name;
}

QVariant PlaylistCommandStrings::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DisplayRole)
        return QIdentityProxyModel::data(index, PlaylistDocument::CommandStringRole);
    return QIdentityProxyModel::data(index, role);
}

} // namespace Vexolo
