#pragma once

#include "reports/cuesheet.h"
#include "storage/cardstore.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

class PlatformAdapter;
class QIODevice;
class QPrinter;
class QWidget;
class TrackMedia;

namespace Vexolo::Ui {
class CardCalls;
} // namespace Vexolo::Ui

namespace Vexolo {

// How a cue sheet names the card at the folder root: its label and its folder, or its folder.
QString cardTitle(const QString &root);
// The cue sheet of program number as loaded from the card: its entries with their lengths, read
// through the card store, and today's date.
CueSheet cueSheetOf(const CardStore &store, const CardStore::Loaded &loaded, ProgramNumber number, TimeUnit unit);

// A program at hand (the playlist being edited): its entries' tracks and strings, row for row.
struct CueProgram
{
    ProgramNumber number;
    QString name;
    QStringList trackNames;
    QStringList commandStrings;
};
// Its cue sheet for the card named title (cardTitle), with the lengths of its tracks that are known.
CueSheet cueSheetOf(const QString &title, const CueProgram &program, TimeUnit unit,
                    const QHash<QString, TrackLength> &lengths);

// Told before each page is drawn (pages drawn, pages in all); false stops the printing.
using PageProgress = std::function<bool(int drawn, int total)>;

// Draws the cue sheet on printer as the print dialog asked (page range, copies, collation, page
// order); false when the printer cannot be painted on or progress stops it (a printer's job is then
// aborted where the printer can abort it; a PDF keeps the pages drawn).
bool printCueSheet(QPrinter &printer, const CueSheet &sheet, const PageProgress &progress = {});

// Writes the cue sheet to file as a PDF, every page in order; false when it cannot be drawn. Whether the
// bytes reached their place is the file's to tell.
bool writeCueSheetPdf(QIODevice &file, const CueSheet &sheet);

// "Print Cue Sheet…": the print dialog through the platform adapter, then the sheet. Nothing when cancelled.
void printCueSheet(PlatformAdapter &platform, QWidget *parent, const CueSheet &sheet);
// The same for program on media's card: the card's name and the tracks' lengths are read first, in one of parent's
// calls; the dialog comes when they are there (never once the call is dropped or parent is gone).
void printCueSheetOf(PlatformAdapter &platform, Ui::CardCalls &calls, QWidget *parent, const TrackMedia &media,
                     const CueProgram &program, TimeUnit unit);

} // namespace Vexolo
