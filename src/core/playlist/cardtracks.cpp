#include "playlist/cardtracks.h"

#include "card/tracknames.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>
#include <utility>

namespace Vexolo {

QModelIndex CardTracks::index(int row, int column, const QModelIndex &parent) const
{
    return row >= 0 && row < m_tracks.size() && column == 0 && !parent.isValid() ? createIndex(row, 0) : QModelIndex();
}

int CardTracks::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_tracks.size());
}

QVariant CardTracks::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return shownName(m_tracks.at(index.row()));
    if (role == NameRole)
        return m_tracks.at(index.row());
    return {};
}

namespace {

const QString TracksType = QStringLiteral("application/x-vexolo-tracks");

} // namespace

Qt::ItemFlags CardTracks::flags(const QModelIndex &index) const
{
    return QAbstractListModel::flags(index) | (index.isValid() ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
}

QStringList CardTracks::mimeTypes() const
{
    return {TracksType};
}

QMimeData *CardTracks::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &index : indexes) {
        if (checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end()); // in the card list's order, however they were chosen
    QStringList names;
    for (const int row : rows)
        names.append(m_tracks.at(row));
    // As the strings are: a name of bytes that are no text keeps them.
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << names;
    auto *data = new QMimeData;
    data->setData(TracksType, bytes);
    return data;
}

bool CardTracks::carriesTracks(const QMimeData &data)
{
    return data.hasFormat(TracksType);
}

QStringList CardTracks::tracksOf(const QMimeData &data)
{
    QStringList names;
    QDataStream stream(data.data(TracksType));
    stream >> names;
    return names;
}

void CardTracks::setTracks(QStringList tracks)
{
    beginResetModel();
    m_tracks = std::move(tracks);
    endResetModel();
}

} // namespace Vexolo
