#pragma once

#include "reports/cuesheet.h"

#include <QString>

class PlatformAdapter;
class QPrinter;
class QTextStream;
class QWidget;
class TrackMedia;

namespace Vexolo {

class CardStore;

// The cue sheet of program number as it stands on the card: its entries with their lengths,
// read through the card store, and today's date. media, when given, keeps the lengths it reads.
CueSheet cueSheetOf(const CardStore &store, const QString &number, TimeUnit unit, TrackMedia *media = nullptr);
// The same for entries already at hand (the playlist being edited).
CueSheet cueSheetOf(const QString &number, const QString &name, const QStringList &trackNames,
                    const QStringList &commandStrings, TimeUnit unit, TrackMedia *media);

// Draws the cue sheet on printer as the print dialog asked (page range, copies, collation, page
// order); false when the printer cannot be painted on.
bool printCueSheet(QPrinter &printer, const CueSheet &sheet);

// "Print Cue Sheet…": the print dialog through the platform adapter, then the sheet. Nothing when cancelled.
void printCueSheet(PlatformAdapter &platform, QWidget *parent, const CueSheet &sheet);

// The command line's cue-sheet: the sheet of program number on the card folder card as a PDF at
// out. 0 when written; 1 with one line on err when the card or the program cannot be read or the
// PDF cannot be written. Needs a QGuiApplication (the offscreen platform will do).
int writeCueSheetPdf(const QString &card, const QString &number, const QString &out, QTextStream &err);
// The verb "cue-sheet CARD NUMBER OUT.pdf": 2 with one line on err when not given three arguments.
int runCueSheet(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace Vexolo
