#pragma once

#include <QStringList>

class QTextStream;

// The history verb: a card's setup versions, a player's across the cards it has had, and what changed since a version,
// in plain words. Exit status as for the other verbs.
int runHistory(const QStringList &arguments, QTextStream &out, QTextStream &err);
