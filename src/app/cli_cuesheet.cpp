#include "cli_cuesheet.h"

#include "commandline.h"

#include "printing/cuesheetprinting.h"
#include "show/trackmedia.h"
#include "storage/cardstore.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <memory>

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
    const std::optional<ProgramNumber> program = ProgramNumber::fromText(number);
    const CardStore::Loaded loaded = program ? store.loadProgram(*program) : CardStore::Loaded();
    if (loaded.program == ReadStatus::Missing) {
        err << QStringLiteral("%1: program %2 is not on the card\n").arg(card, number);
        return CommandLine::ExitFindings;
    }
    if (loaded.program == ReadStatus::Unreadable) {
        err << QStringLiteral("%1: program %2 cannot be read\n").arg(card, number);
        return CommandLine::ExitFindings;
    }
    // Written in full or not at all: a new file beside the old one, renamed over it once complete. Only a
    // target that is no regular file (a pipe, a terminal) is written in place, and checked as it is.
    const QString &pdf = arguments[2];
    const QFileInfo target(pdf);
    std::unique_ptr<QFileDevice> file;
    if (target.exists() && !target.isFile())
        file = std::make_unique<QFile>(pdf);
    else
        file = std::make_unique<QSaveFile>(pdf);
    bool written = file->open(QIODevice::WriteOnly)
        && writeCueSheetPdf(*file, cueSheetOf(store, loaded, *program, rememberedUnit()));
    if (auto *save = dynamic_cast<QSaveFile *>(file.get()))
        written = written && save->commit();
    else
        written = written && file->flush() && file->error() == QFileDevice::NoError;
    if (!written) {
        err << QStringLiteral("%1: cannot be written\n").arg(pdf);
        return CommandLine::ExitFindings;
    }
    return CommandLine::ExitSuccess;
}
