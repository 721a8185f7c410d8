#pragma once

#include <QStringList>

class QTextStream;

// The verbs for a fleet of cards, each given the arguments after its name. Results go to out, one
// line per problem to err. Exit status: 0 clean or done, 1 findings, differences or refused,
// 2 usage or a card that cannot be read.
int runCheck(const QStringList &arguments, QTextStream &out, QTextStream &err);
int runCompare(const QStringList &arguments, QTextStream &out, QTextStream &err);
int runCopySetup(const QStringList &arguments, QTextStream &out, QTextStream &err);
