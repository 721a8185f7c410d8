#include "main/listdrops.h"

#include "playlist/cardtracks.h"

#include <QDropEvent>
#include <QListView>
#include <QMimeData>
#include <QUrl>

namespace Vexolo::Ui {

namespace {

QStringList localFiles(const QMimeData &data)
{
    QStringList files;
    for (const QUrl &url : data.urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    return files;
}

// The row a drop at position goes before: the one under it, or the next when it is on that row's lower half.
int rowAt(const QListView &list, QPoint position)
{
    const QModelIndex at = list.indexAt(position);
    if (!at.isValid())
        return list.model()->rowCount();
    return position.y() > list.visualRect(at).center().y() ? at.row() + 1 : at.row();
}

} // namespace

ListDrops::ListDrops(QListView &cardList, QListView &playlist, Handlers handlers)
    : QObject(&cardList)
    , m_cardList(cardList)
    , m_playlist(playlist)
    , m_handlers(std::move(handlers))
{
    // The card list drags its tracks and takes files; the playlist keeps its own moves.
    m_cardList.setDragDropMode(QAbstractItemView::DragOnly);
    m_cardList.setAcceptDrops(true);
    m_cardList.viewport()->installEventFilter(this);
    m_playlist.viewport()->installEventFilter(this);
}

bool ListDrops::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    QListView &list = watched == m_cardList.viewport() ? m_cardList : m_playlist;
    const QMimeData &data = *drop->mimeData();
    const bool tracks = &list == &m_playlist && CardTracks::carriesTracks(data);
    const QStringList files = tracks ? QStringList() : localFiles(data);
    if (!tracks && files.isEmpty())
        return QObject::eventFilter(watched, event); // the playlist's own move, or nothing this list takes
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        const int row = rowAt(list, drop->position().toPoint());
        if (tracks)
            m_handlers.tracks(CardTracks::tracksOf(data), row);
        else
            m_handlers.files(files, list, row);
    }
    return true;
}

} // namespace Vexolo::Ui
