#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QListView;

namespace Vexolo::Ui {

// What the main window's lists take dropped on them: the card list's tracks onto the playlist, and files from the
// computer (a file manager's drag) onto either list. The playlist's own moves stay its view's.
class ListDrops final : public QObject
{
public:
    struct Handlers
    {
        std::function<void(const QStringList &tracks, int row)> tracks; // card tracks, before playlist row
        std::function<void(const QStringList &files, QListView &list, int row)> files; // local paths, onto list
    };
    ListDrops(QListView &cardList, QListView &playlist, Handlers handlers);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QListView &m_cardList;
    QListView &m_playlist;
    Handlers m_handlers;
};

} // namespace Vexolo::Ui
