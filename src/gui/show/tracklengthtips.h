#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
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
    // The words said about a track, handed over when they are there (at once, or later from the card).
    using Answer = std::function<void(const QString &words)>;
    using Words = std::function<void(const QModelIndex &index, const Answer &answer)>;

    // nameRole: the role of the rows' data that holds the track's file name; words, when given, asked for a line said
    // about the track between its name and its length (empty: none), which the tooltip shows once it is answered.
    TrackLengthTips(QAbstractItemView &list, TrackMedia &media, int nameRole, Words words = {});
    Q_DISABLE_COPY_MOVE(TrackLengthTips)

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void lengthRead(const QString &trackName);
    void wordsRead(quint64 asked, const QString &words);
    void show(bool always);

    QAbstractItemView &m_list;
    TrackMedia &m_media;
    int m_nameRole;
    Words m_words;
    quint64 m_asked = 0; // the tooltip the words last asked for belong to
    bool m_showing = false; // the tooltip event is being answered: it shows the tip itself
    QString m_name; // the track whose tooltip is shown
    QPoint m_at;
    QRect m_rect; // the row's, where the pointer keeps the tip
    QString m_rowTip;
    QString m_wordsText;
};
