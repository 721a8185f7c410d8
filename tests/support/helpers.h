#pragma once

#include "storage/carderror.h"

#include <QByteArray>

// The bytes the device expects for one entry: the string filled with spaces to 79, then CR LF.
inline QByteArray record(const QByteArray &commandString)
{
    return commandString + QByteArray(79 - commandString.size(), ' ') + "\r\n";
}

// The paths of the files a write or a removal did not reach.
inline QStringList paths(const Vexolo::CardErrors &errors)
{
    QStringList paths;
    for (const Vexolo::CardError &error : errors)
        paths.append(error.path);
    return paths;
}
