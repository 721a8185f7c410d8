#pragma once

#include "commands/programtimes.h"
#include "commands/switching.h"

#include <QList>
#include <QString>
#include <QStringList>

// The cue sheet of a program: what every entry will do, on paper. Like the printed lists, the
// layout knows nothing of printers: it turns the program and the page's sizes into drawing steps.
namespace Vexolo {

struct CueEntry
{
    QString commandString;
    TrackLength length;
};

struct CueSheet
{
    QString number; // the program number, "0" to "9"
    QString name;
    QString date; // as it is to be printed
    TimeUnit unit = TimeUnit::Seconds; // what one number of a time stands for
    QList<CueEntry> entries;
    ProgramTimes times; // when each entry plays (timeCueSheet); printed where it covers every entry
    QString card; // the card it is for, as the heading names it
};

// Works out when every entry of the sheet plays, once, before its pages are laid out.
void timeCueSheet(CueSheet &sheet);

struct CueStep
{
    // Font: size and weight for the texts that follow. Text: drawn left-aligned in the box x, y, w, h
    // (cut short to fit w). Box: a rectangle, filled grey or framed. Mark: a black bar, which stays apart from
    // the grey in black and white. NewPage: the next page begins.
    enum class Kind { Font, Text, Box, Mark, NewPage };
    Kind kind = Kind::NewPage;
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    int size = 0;
    bool bold = false; // Font: bold; Box: filled
    QString text;
};

inline constexpr int CueHeadingSize = 16;
inline constexpr int CueTextSize = 10;
inline constexpr int CueLabelSize = 5; // the small timelines' lane labels and time scale

// headingHeight and lineHeight: the text heights at CueHeadingSize and CueTextSize.
struct CuePage
{
    int width = 0;
    int height = 0;
    int headingHeight = 0;
    int lineHeight = 0;
};

// The text lines of entry i, numbered from 1: number and name with the length, its start in its run, fade
// option, play next and volume in words, pauses, each output's On-Off pairs, what looks like a mistake, and
// where the device waits for the remote with the running time of the run that ends there (printed in bold).
QStringList cueEntryLines(const CueSheet &sheet, qsizetype i);

// Margins as the printed lists have them (left W / 8, top H / 11, bottom H * 10 / 11). An entry is
// never split across pages unless it is taller than a page. Every page ends with "Page N of M".
QList<CueStep> layoutCueSheet(const CueSheet &sheet, const CuePage &page);
// The same a page at a time, so that memory does not grow with the entries: the first entry of
// each page, then the steps of page n (from 0) alone.
QList<qsizetype> cuePageStarts(const CueSheet &sheet, const CuePage &page);
QList<CueStep> layoutCuePage(const CueSheet &sheet, const CuePage &page, const QList<qsizetype> &starts, qsizetype n);

} // namespace Vexolo
