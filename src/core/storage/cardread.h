#pragma once

#include <QByteArray>
#include <QByteArrayList>

namespace Vexolo {

// Every read of a card file is bounded and never blocks: only a regular file is read, a FIFO,
// device, socket or folder in its place is a file that cannot be read.
enum class ReadStatus { Missing, Unreadable, Read };

struct CardRead
{
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes;
};

// The largest single value (a track command file, a name file) read up to its first line end.
inline constexpr qint64 SingleValueLimit = 64 * 1024;
// The largest program file: 8 MiB, over 100,000 records of 81 bytes.
inline constexpr qint64 ProgramFileLimit = 8 * 1024 * 1024;

// The names of the items directly in the open folder, "." and ".." left out, in the folder's order.
QByteArrayList readFolder(int folder);

// The whole file name inside the open folder; larger than limit, it cannot be read.
CardRead readWholeFile(int folder, const char *name, qint64 limit);
// The file's first line, without its line end; a first line longer than limit cannot be read.
CardRead readFirstLine(int folder, const char *name, qint64 limit = SingleValueLimit);

} // namespace Vexolo
