#include "playlist/cardtracks.h"

#include "card/tracknames.h"
#include "storage/cardfiles.h"

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
    const QString &track = m_tracks.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return shownName(track);
    case Qt::ToolTipRole:
        return nameTooLongToSave(track) ? shownName(track)
                + QStringLiteral("\nThis name is too long for a playlist: rename the file to 76 "
                                 "characters or fewer.")
                                        : shownName(track);
    case NameRole:
        return track;
    case OwnSettingsRole:
        return m_withCommandFile.contains(track);
    case TooLongRole:
        return nameTooLongToSave(track);
    default:
        return {};
    }
}

namespace {

const QString TracksType = QStringLiteral("application/x-vexolo-tracks");

} // namespace

Qt::ItemFlags CardTracks::flags(const QModelIndex &index) const
{
    return QAbstractListModel::flags(index) | (index.isValid() ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
}

QMimeData *CardTracks::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && index.model() == this)
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

void CardTracks::setTracks(QStringList tracks, QSet<QString> withCommandFile)
{
    beginResetModel();
    m_tracks = std::move(tracks);
    m_withCommandFile = std::move(withCommandFile);
    endResetModel();
}

void CardTracks::setOwnSettings(const QString &track, bool own)
{
    if (own == m_withCommandFile.contains(track))
        return;
    if (own)
        m_withCommandFile.insert(track);
    else
        m_withCommandFile.remove(track);
    const qsizetype row = m_tracks.indexOf(track);
    if (row >= 0)
        Q_EMIT dataChanged(index(int(row)), index(int(row)), {OwnSettingsRole});
}

} // namespace Vexolo
