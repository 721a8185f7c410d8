#include "cli_cuesheet.h"

#include "commandline.h"

#include "printing/cuesheetprinting.h"
#include "show/trackmedia.h"
#include "storage/cardstore.h"

#include <QPrinter>
#include <QTextStream>

using namespace Vexolo;

int runCueSheet(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    Q_UNUSED(out);
    if (arguments.size() != 3)
        return CommandLine::usage(u"cue-sheet", err);
    const QString &card = arguments[0];
    const QString &number = arguments[1];
    CardStore store;
    if (!CommandLine::chooseCard(store, card, err))
        return CommandLine::ExitUsage;
    const bool digit = number.size() == 1 && number[0] >= u'0' && number[0] <= u'9';
    const CardStore::Loaded loaded = digit ? store.loadProgram(number) : CardStore::Loaded();
    if (loaded.program == ReadStatus::Missing) {
        err << QStringLiteral("%1: program %2 is not on the card\n").arg(card, number);
        return CommandLine::ExitFindings;
    }
    if (loaded.program == ReadStatus::Unreadable) {
        err << QStringLiteral("%1: program %2 cannot be read\n").arg(card, number);
        return CommandLine::ExitFindings;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(arguments[2]);
    printer.setDocName(QStringLiteral("Cue sheet of program ") + number);
    if (!printCueSheet(printer, cueSheetOf(store, loaded, number, rememberedUnit()))) {
        err << QStringLiteral("%1: cannot be written\n").arg(arguments[2]);
        return CommandLine::ExitFindings;
    }
    return CommandLine::ExitSuccess;
}
