#include "storage/cardstore_p.h"

#include "card/tracknames.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardtext.h"
#include "storage/safefile.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vexolo {

using namespace StoreDetail;

namespace {

Notice deleteFailed(ProgramNumber number, int error)
{
    Notice failed = caution(Notice::Message::DeleteFailed, error, programsPath(programFileName(number)));
    failed.count = number.value();
    return failed;
}

// The program's name from its name file, into loaded; a name file that cannot be read is said so.
void readProgramName(CardStore::Loaded &loaded, int programs, ProgramNumber number, FileOps &ops)
{
    const QString nameFileName = programNameFileName(number);
    CardRead name = readFirstLine(programs, encoded(nameFileName).constData(), ops);
    name.error.path = programsPath(nameFileName);
    if (name.status == ReadStatus::Read)
        loaded.name = decodeCardText(name.bytes);
    else if (name.status == ReadStatus::Unreadable)
        loaded.notices.append(plain(Notice::Message::CouldNotRead, {nameFileName}, 1, name.error));
}

} // namespace

CardStore::Loaded ProgramStore::loadProgram(ProgramNumber number, const Progress &progress) const
{
    CardStore::Loaded result;
    const Fd root = openRoot();
    const Fd programs = root.isOpen() ? openPrograms(root.get(), false) : Fd();
    if (!programs.isOpen())
        return result;
    const auto onCard = [&root](const QString &trackName) {
        struct stat info;
        // A name that is not a plain file name is never looked for outside the card root.
        return isPlainFileName(trackName)
            && ::fstatat(root.get(), encoded(trackName).constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    };
    // Read line by line: memory follows what is kept, not what the file holds.
    NameList omitted;
    qsizetype records = 0;
    const QString programName = programFileName(number);
    CardError why;
    const ReadStatus status = readLines(
        programs.get(), encoded(programName).constData(), m_ops,
        [&](QByteArrayView line) {
            std::optional<ProgramEntry> entry = parseProgramLine(line);
            if (!entry)
                return true;
            report(progress, records, ProgramRecordLimit);
            if (++records > ProgramRecordLimit)
                return false;
            if (!onCard(entry->trackName) && shownName(entry->trackName) != entry->trackName) {
                // Another tool may have written a card's UTF-8 name in Windows-1252.
                std::optional<ProgramEntry> other = parseProgramLine(line, true);
                if (onCard(other->trackName))
                    entry = std::move(other);
            }
            if (onCard(entry->trackName)) {
                result.names.append(entry->displayName);
                result.commandStrings.append(entry->commandString);
                result.records.append(int(records));
            } else {
                omitted.add(entry->trackName);
            }
            return true;
        },
        &why);
    report(progress, ProgramRecordLimit, ProgramRecordLimit);
    if (status != ReadStatus::Read) {
        CardStore::Loaded failed;
        failed.program = status;
        if (records > ProgramRecordLimit)
            why = CardError::of(CardError::TooLarge);
        why.path = programsPath(programName);
        if (status == ReadStatus::Unreadable)
            failed.notices.append(plain(Notice::Message::CouldNotRead, {programName}, 1, why));
        return failed;
    }
    result.program = status;
    if (omitted.total > 0)
        result.notices.append(omitted.notice(Notice::Message::Omitted));

    readProgramName(result, programs.get(), number, m_ops);
    return result;
}

CardStore::SavePlan ProgramStore::prepareSave(ProgramNumber number, const QStringList &commandStrings,
                                              const QString &name) const
{
    CardStore::SavePlan plan;
    // The lengths are checked before the card is touched, so a refused save changes nothing.
    ProgramFormat program = formatProgramFile(commandStrings);
    if (!program.ok()) {
        // Which entry, so the user knows what to shorten.
        const QString entry = commandStrings[program.tooLongIndex];
        plan.refusal.append(plain(Notice::Message::StringTooLong,
                                  {QString::number(program.tooLongIndex + 1), upToFirstMp3(entry.trimmed())},
                                  program.tooLongLength));
        return plan;
    }
    // What Load could not read back is never written.
    if (program.content.size() > ProgramFileLimit) {
        plan.refusal.append(plain(Notice::Message::ProgramTooLong, {}, program.content.size()));
        return plan;
    }
    QByteArray nameBytes = encodeCardText(name);
    if (nameBytes.size() > LineLimit) {
        plan.refusal.append(plain(Notice::Message::NameTooLong, {}, nameBytes.size()));
        return plan;
    }
    const Fd root = openRoot();
    if (!root.isOpen()) {
        plan.refusal.append(noCard());
        return plan;
    }
    const Fd programs = openPrograms(root.get(), false);
    if (programs.isOpen() && hasItem(programs.get(), programFileName(number)))
        plan.overwrites = true;
    plan.program = std::move(program.content);
    plan.name = std::move(nameBytes);
    plan.number = number;
    plan.entries = commandStrings.size();
    plan.nameText = name;
    return plan;
}

CardStore::Saved ProgramStore::save(const CardStore::SavePlan &plan, const QStringList &tracks,
                                    const Progress &progress)
{
    CardStore::Saved result;
    const Fd root = openRoot();
    if (!root.isOpen()) {
        result.notices.append(noCard());
        return result;
    }
    int error = 0;
    const Fd programs = openPrograms(root.get(), true, &error);
    if (programs.isOpen()) {
        removeLeftoverTemporaries(programs.get(), m_ops);
        result.programWritten
            = writeFileSafely(programs.get(), programFileName(plan.number), plan.program, m_ops, &error);
    }
    if (!result.programWritten) {
        result.notices.append(caution(Notice::Message::NotCreated, error, programsPath(programFileName(plan.number))));
    } else {
        // A program and its name stay a pair: the name is written only beside its own program. A
        // failure to write it is not reported; the listing's message follows anyway.
        result.nameWritten = writeFileSafely(programs.get(), programNameFileName(plan.number), plan.name, m_ops);
    }
    // The error matters only where Programs could not be opened: then it is why the listing is not written either.
    result.notices += m_listing.listingAt(root.get(), programs.get(), tracks, progress, error);
    return result;
}

CardStore::DeletePlan ProgramStore::prepareDelete(ProgramNumber number) const
{
    CardStore::DeletePlan plan;
    const Fd root = openRoot();
    if (!root.isOpen()) {
        plan.refusal.append(noCard());
        return plan;
    }
    struct stat info;
    const Fd programs = openPrograms(root.get(), false);
    if (!programs.isOpen()) {
        // A "Programs" that is no real folder of the card may hold anything but is never touched.
        if (hasItem(root.get(), ProgramsFolderName, &info) && !S_ISDIR(info.st_mode))
            plan.refusal.append(deleteFailed(number, 0));
        return plan;
    }
    if (hasItem(programs.get(), programFileName(number)))
        plan.exists = true;
    return plan;
}

CardStore::Deleted ProgramStore::deleteProgram(ProgramNumber number)
{
    CardStore::Deleted result;
    const Fd root = openRoot();
    if (!root.isOpen()) {
        result.notices.append(noCard());
        return result;
    }
    const Fd programs = openPrograms(root.get(), false);
    // A failed delete must not look like a successful one.
    result.deleted
        = programs.isOpen() && m_ops.unlinkat(programs.get(), encoded(programFileName(number)).constData(), 0) == 0;
    if (!result.deleted)
        result.notices.append(deleteFailed(number, programs.isOpen() ? errno : 0));
    return result;
}

bool ProgramStore::hasProgram(ProgramNumber number) const
{
    const Fd root = openRoot();
    const Fd programs = root.isOpen() ? openPrograms(root.get(), false) : Fd();
    return programs.isOpen() && hasItem(programs.get(), programFileName(number));
}

} // namespace Vexolo
