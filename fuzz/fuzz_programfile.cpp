#include "storage/cardfiles.h"

#include <cstdlib>

// Any bytes read as a program file; what was read, written again and read back, stays the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<Vexolo::ProgramEntry> entries = Vexolo::parseProgramFile(content);

    QStringList commandStrings;
    for (const Vexolo::ProgramEntry &entry : entries) {
        if (entry.commandString.compare(QLatin1String("end"), Qt::CaseInsensitive) == 0)
            continue; // a string "end" reads as the terminator
        if (entry.commandString.startsWith(QChar(0xFEFF)))
            continue; // at the start of a file it reads as a byte-order mark
        commandStrings.append(entry.commandString);
    }
    const Vexolo::ProgramFormat program = Vexolo::formatProgramFile(commandStrings);
    if (!program.ok())
        return 0;
    const QList<Vexolo::ProgramEntry> again = Vexolo::parseProgramFile(program.content);
    if (again.size() != commandStrings.size())
        std::abort();
    for (qsizetype i = 0; i < again.size(); ++i) {
        if (again[i].commandString != commandStrings[i])
            std::abort();
    }
    return 0;
}
