#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include "storage/carderror.h"

#include <functional>

namespace Vexolo {

class FileOps;
class Fd;

// Every read of a card file is bounded, never blocks and never leaves the card: the name is
// opened inside the open card folder without following a link, and only a regular file on the
// folder's own mount with a single link is read. Anything else in its place (a link, a FIFO, a
// device, a folder, a file bind-mounted over it, a hard link to a file elsewhere) cannot be read.
enum class ReadStatus { Missing, Unreadable, Read };

struct CardRead
{
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes;
    CardError error; // Unreadable: why
};

// The longest line read from a card file (a track command file's or a name file's first line, a
// program record), in bytes: far above the 79 characters of a command string (at most 316 bytes of
// UTF-8), far below what could cost memory. A longer line was not written by this program.
inline constexpr qsizetype LineLimit = 1024;
// The largest program file: 8 MiB, over 100,000 records. Save refuses a playlist that would pass it.
inline constexpr qint64 ProgramFileLimit = 8 * 1024 * 1024;
// The most lines of a program file that yield entries: all the records of the largest file Save writes.
inline constexpr qsizetype ProgramRecordLimit = (ProgramFileLimit - 3) / 81;

// The names of the items directly in the open folder, "." and ".." left out, in the folder's order; error says why
// the folder could not be read (whole), when it could not.
struct FolderRead
{
    QByteArrayList names;
    CardError error;
};
FolderRead readFolder(int folder, FileOps &ops);
// The same names handed to onName one by one, as they are read: nothing is kept. The names handed before a failure
// stay handed.
CardError readFolder(int folder, FileOps &ops, const std::function<void(QByteArrayView)> &onName);

// Opens name in the open folder for reading under the rules above; fd is open only with Read. Unreadable
// says why in why, when given.
ReadStatus openRegular(int folder, const char *name, FileOps &ops, Fd *fd, CardError *why = nullptr);
// The whole file, byte for byte, when it holds at most limit bytes; unreadable when larger.
CardRead readWhole(int folder, const char *name, qint64 limit, FileOps &ops);
// The file's first line, without its line end; a first line longer than LineLimit cannot be read.
CardRead readFirstLine(int folder, const char *name, FileOps &ops);
// Hands each line of the file to onLine as it is read (a line ends at CR, at LF or at both; the
// empty lines between are handed too), holding one line at a time. A line longer than LineLimit,
// a file larger than ProgramFileLimit or onLine answering false makes the file unreadable.
ReadStatus readLines(int folder, const char *name, FileOps &ops, const std::function<bool(QByteArrayView)> &onLine,
                     CardError *why = nullptr);

} // namespace Vexolo
