#pragma once

#include "storage/cardsession.h"

#include <QtTest>
#include <QtWidgets>

// A control of a window by its name.
template<typename Control = QWidget> Control *control(const QWidget *window, const char *name)
{
    return window->findChild<Control *>(QString::fromLatin1(name));
}

// What a list shows, first row to last.
inline QStringList shownRows(const QAbstractItemView *list)
{
    const QAbstractItemModel *rows = list->model();
    QStringList texts;
    for (int row = 0; row < rows->rowCount(); ++row)
        texts.append(rows->index(row, 0).data().toString());
    return texts;
}

inline QStringList shownRows(const QWidget *window, const char *name)
{
    return shownRows(control<QAbstractItemView>(window, name));
}

// Waits until every card call has handed back its result, and whatever those results started in turn.
inline bool settled()
{
    return QTest::qWaitFor([] { return Vexolo::CardSession::instance().idle(); }, 10000);
}
