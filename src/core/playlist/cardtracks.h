#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace Vexolo {

// The chosen card's tracks in card-list order, as the rows of a list: one string each, no item
// per row, so a card of a million tracks lists at the cost of its names.
class CardTracks final : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role { NameRole = Qt::UserRole + 1 };

    using QAbstractListModel::QAbstractListModel;
    Q_DISABLE_COPY_MOVE(CardTracks)

    // Views ask for every row's index on each layout: without the generic checks' virtual calls.
    QModelIndex index(int row, int column = 0, const QModelIndex &parent = {}) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const QStringList &tracks() const { return m_tracks; }
    QString track(int row) const { return m_tracks.at(row); }
    void setTracks(QStringList tracks);

private:
    QStringList m_tracks;
};

} // namespace Vexolo
