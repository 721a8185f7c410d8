#include "playlist/cardtracks.h"

#include "card/tracknames.h"

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

void CardTracks::setTracks(QStringList tracks)
{
    beginResetModel();
    m_tracks = std::move(tracks);
    endResetModel();
}

} // namespace Vexolo
