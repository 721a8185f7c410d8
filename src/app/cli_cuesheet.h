#pragma once

#include <QStringList>

class QTextStream;

// The verb "cue-sheet CARD NUMBER OUT.pdf": the cue sheet of a program on the card as a PDF. 0 when
// written; 1 with one line on err when the program is not on the card or cannot be read, or the PDF cannot
// be written; 2 when the arguments are wrong or the card cannot be read. Draws pages: it needs a
// QGuiApplication (the offscreen platform will do).
int runCueSheet(const QStringList &arguments, QTextStream &out, QTextStream &err);
