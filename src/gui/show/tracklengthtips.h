#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>

class QAbstractItemView;
class QModelIndex;
class TrackMedia;

// A list of card tracks whose tooltip adds the track's length, "3:25" or "length unknown". The
// length is read only when the tooltip asks for it; until it is read the tooltip says so, and it
// is shown as soon as it is there while the pointer stays on the row.
class TrackLengthTips final : public QObject
{
    Q_OBJECT

public:
    // nameRole: the role of the rows' data that holds the track's file name; words, when given, a line said about
    // the track between its name and its length (empty: none).
    TrackLengthTips(QAbstractItemView &list, TrackMedia &media, int nameRole,
                    std::function<QString(const QModelIndex &)> words = {});
    Q_DISABLE_COPY_MOVE(TrackLengthTips)

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void lengthRead(const QString &trackName);

    QAbstractItemView &m_list;
    TrackMedia &m_media;
    int m_nameRole;
    std::function<QString(const QModelIndex &)> m_words;
    QString m_waiting; // the track whose tooltip waits for its length
    QPoint m_at;
    QString m_tip;
};
