#pragma once

#include <QAbstractListModel>
#include <QMimeData>
#include <QSet>
#include <QStringList>

namespace Vexolo {

// The chosen card's tracks in card-list order, as the rows of a list: one string each, no item
// per row, so a card of a million tracks lists at the cost of its names.
class CardTracks final : public QAbstractListModel
{
    Q_OBJECT

public:
    // OwnSettingsRole: the track has a command file of its own. TooLongRole: its name leaves no room for settings,
    // and a playlist holding it cannot be saved.
    enum Role { NameRole = Qt::UserRole + 1, OwnSettingsRole, TooLongRole };

    using QAbstractListModel::QAbstractListModel;
    Q_DISABLE_COPY_MOVE(CardTracks)

    // Views ask for every row's index on each layout: without the generic checks' virtual calls.
    QModelIndex index(int row, int column = 0, const QModelIndex &parent = {}) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Tracks are dragged onto the playlist as their names; tracksOf reads them back (none from other data).
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    static QStringList tracksOf(const QMimeData &data);
    static bool carriesTracks(const QMimeData &data);

    const QStringList &tracks() const { return m_tracks; }
    QString track(int row) const { return m_tracks.at(row); }
    void setTracks(QStringList tracks, QSet<QString> withCommandFile = {});
    // A track's command file written (or found gone).
    void setOwnSettings(const QString &track, bool own);

private:
    QStringList m_tracks;
    QSet<QString> m_withCommandFile;
};

} // namespace Vexolo
