#pragma once

#include <QStringList>

class QTextStream;

// The production line without a window: every card inserted while it runs is made to match the reference, one line a
// card, until the count is reached or it is stopped (Ctrl+C). Status 0 when every card was verified, else 1.
int runProduce(const QStringList &arguments, QTextStream &out, QTextStream &err);
