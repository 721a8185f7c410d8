#pragma once

#include <QByteArray>
#include <QStringList>

// The texts of a list control's rows, first to last.
template<class List>
QStringList rows(const List *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

// The bytes the device expects for one entry: the string filled with spaces to 79, then CR LF.
inline QByteArray record(const QByteArray &commandString)
{
    return commandString + QByteArray(79 - commandString.size(), ' ') + "\r\n";
}
