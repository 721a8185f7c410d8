#pragma once

#include "storage/programnumber.h"

#include "storage/cardread.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Names and byte-exact formats of the files on the card.
namespace Vexolo {

inline constexpr qsizetype RecordLength = 79;
inline const QString ProgramsFolderName = QStringLiteral("Programs");
inline const QString RootDirFileName = QStringLiteral("RootDir.txt");

QString programFileName(ProgramNumber number); // "Program" + N + ".txt"
// A file of the Programs folder by its path from the card's root, as reports and errors name it: "Programs/NAME".
QString programsPath(const QString &name);
QString programNameFileName(ProgramNumber number); // "Program" + N + ".adv"
// The track's name with its first ".mp3" (any case) replaced by ".adv"; not trimmed. Empty when
// the name holds no ".mp3" or when the result still ends in ".mp3" (it would be a track): such a
// name has no track command file, and no other file may be used.
QString trackCommandFileName(const QString &trackName);
// The track name followed by " V7".
QString defaultCommandString(const QString &trackName);
// Whether a track's name leaves no room for settings: even its default string is longer than a record takes, so no
// playlist holding it can be saved (a name of more than 76 characters).
bool nameTooLongToSave(const QString &trackName);
// A card track's command string always names that track: the name at the front of commandString
// is replaced by trackName's (trimmed, as the encoder trims it). A string without ".mp3" carries
// nothing a track could keep: the track's default string.
QString commandStringOfTrack(const QString &commandString, const QString &trackName);

// One command record: the string filled with spaces to 79 characters, then CR LF. A longer
// string is written whole (the listing file allows it; program files refuse it first).
QByteArray commandRecord(const QString &commandString);

struct ProgramFormat
{
    QByteArray content;
    // Length in characters of the first string over 79 characters, -1 when none, and its index.
    qsizetype tooLongLength = -1;
    qsizetype tooLongIndex = -1;
    bool ok() const { return tooLongLength < 0; }
};
// The whole program file: a record per string, then "end" with no line end; or the refusal.
ProgramFormat formatProgramFile(const QStringList &commandStrings);
// The whole "RootDir.txt": like a program file, but a string over 79 characters is written whole.
QByteArray formatListing(const QStringList &commandStrings);

// The text without its leading and trailing blanks (character 32); tabs and other white space stay.
QString trimmedBlanks(const QString &text);

struct ProgramEntry
{
    QString trackName; // up to and including the first ".mp3", not trimmed; first 3 characters when none
    QString displayName; // trackName without leading and trailing blanks
    QString commandString; // the whole line without leading and trailing blanks
};
// One line of a program file of any origin, without its line end; none for a line that is skipped
// (empty, "end", "END"). windows1252 reads the whole line so, for a file another tool wrote.
std::optional<ProgramEntry> parseProgramLine(QByteArrayView line, bool windows1252 = false);
// Reads a program file of any origin; never fails. Lines end at CR LF, a lone CR or a lone LF. Stops
// past limit entries, so a file of millions of short lines costs what Load would keep: more than limit
// entries returned mean more than Load reads.
QList<ProgramEntry> parseProgramFile(QByteArrayView content, qsizetype limit = ProgramRecordLimit);
// The entries of a program file, counted without reading them, up to limit + 1.
qsizetype countProgramEntries(QByteArrayView content, qsizetype limit = ProgramRecordLimit);

} // namespace Vexolo
