#pragma once

#include <QByteArray>

// The bytes the device expects for one entry: the string filled with spaces to 79, then CR LF.
inline QByteArray record(const QByteArray &commandString)
{
    return commandString + QByteArray(79 - commandString.size(), ' ') + "\r\n";
}
