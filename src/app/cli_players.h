#pragma once

#include <QStringList>

class QTextStream;

// The verbs of the fleet kept on this computer: each card's setup history and its restore, the register of
// players, making a card match a reference, and the log. Exit status as for the other verbs.
int runRestore(const QStringList &arguments, QTextStream &out, QTextStream &err);
int runApply(const QStringList &arguments, QTextStream &out, QTextStream &err);
int runRegister(const QStringList &arguments, QTextStream &out, QTextStream &err);
int runForget(const QStringList &arguments, QTextStream &out, QTextStream &err);
int runPlayer(const QStringList &arguments, QTextStream &out, QTextStream &err);
int runFleet(const QStringList &arguments, QTextStream &out, QTextStream &err);
int runIdentify(const QStringList &arguments, QTextStream &out, QTextStream &err);
int runLog(const QStringList &arguments, QTextStream &out, QTextStream &err);
int runSync(const QStringList &arguments, QTextStream &out, QTextStream &err);
