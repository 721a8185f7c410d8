#include "reports/cardcheck.h"

#include "card/tracknames.h"
#include "commands/commandencoder.h"
#include "commands/commandreader.h"
#include "commands/commandtokens.h"
#include "commands/switching.h"
#include "commands/tracksettings.h"
#include "storage/cardfiles.h"
#include "storage/cardtext.h"

#include <QSet>

#include <algorithm>
#include <cerrno>

namespace Vexolo {

namespace {

constexpr int MaxPauses = TrackSettings::Columns;
constexpr int MaxTimesOfAKind = TrackSettings::Columns / 2;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The string's switching, as the timeline, the lamps and the cue sheet see it: one reading for all of them,
// so they agree. A finding names the command as the device reads it ("2-5" for "2X5").
void checkSwitching(Findings &findings, const QString &place, const CommandReading &reading)
{
    TrackSettings settings;
    readCommandString(settings, reading);
    for (const SwitchFinding &found : planSwitching(settings, std::nullopt).findings) {
        const bool on = found.column % 2 == 0;
        const bool all = found.lane == TrackSettings::AllRow;
        const QString token = found.lane == PauseLane ? u'P' + settings.pauses[found.column]
            : all ? (on ? QStringLiteral("1A") : QStringLiteral("1X")) + settings.outputs[found.lane][found.column]
                  : QString::number(found.lane + 1) + (on ? u'+' : u'-') + settings.outputs[found.lane][found.column];
        static constexpr Says says[] {Says::SwitchNotANumber, Says::SwitchOffBeforeOn, Says::SwitchNeverOff,
                                      Says::SwitchOnAndOff, Says::SwitchNotANumber};
        Finding finding {place, Kind::BadString, says[found.kind], {found.field}, {found.lane, found.endsOn}};
        if (found.kind == SwitchFinding::NotANumber)
            finding.numbers = {found.time};
        finding.token = token;
        findings.append(finding);
    }
}

// What the tokens read so far hold, for the limits of the reader.
struct TokenCounts
{
    int pauses = 0;
    bool volume = false;
    std::array<std::array<int, 2>, TrackSettings::OutputRows> times {}; // On and Off times per output row
};

// One token of the string, as the reader takes it or drops it.
void checkToken(Findings &findings, const QString &where, const CommandToken &token, TokenCounts &counts)
{
    const auto add = [&](Says says, const QStringList &texts = {}, const QList<qint64> &numbers = {}) {
        Finding finding {where, Kind::BadString, says, texts, numbers};
        finding.token = token.text;
        findings.append(finding);
    };
    switch (token.kind) {
    case CommandToken::Kind::Pause:
        if (token.value.isEmpty())
            add(Says::PauseNoTime);
        else if (++counts.pauses > MaxPauses)
            add(Says::TooManyPauses);
        return;
    case CommandToken::Kind::Volume:
        counts.volume = true;
        if (token.text.size() != 2 || !isDigit(token.value[0]))
            add(Says::VolumeNotDigit, {token.value});
        return;
    case CommandToken::Kind::Unknown:
        add(Says::NoCommand);
        return;
    case CommandToken::Kind::NoOutput:
        add(Says::NoOutput, {}, {token.output});
        return;
    case CommandToken::Kind::Switch:
        break;
    }
    if (!token.switchTaken)
        add(token.row < 0 ? Says::NoSwitchDropped : Says::NoSwitchReadAsOff);
    if (token.row < 0)
        return;
    if (token.value.isEmpty())
        add(Says::SwitchNoTime);
    else if (++counts.times[token.row][token.on ? 0 : 1] > MaxTimesOfAKind)
        add(Says::TooManyTimes, {}, {token.row, token.on});
}

} // namespace

Findings checkCommandString(const QString &place, const QString &commandString)
{
    Findings findings;
    const auto add
        = [&](const QString &where, Says says, const QStringList &texts = {}, const QList<qint64> &numbers = {}) {
              findings.append({where, Kind::BadString, says, texts, numbers});
          };
    const qsizetype length = characterCount(commandString.trimmed());
    if (length > MaxCommandStringLength)
        add(place, Says::StringTooLong, {}, {length});
    const CommandReading reading = readCommandTokens(commandString);
    if (!reading.namesTrack) {
        add(place, Says::NamesNoTrack);
        checkSwitching(findings, place, reading); // read all the same, as the timeline reads it
        return findings;
    }
    if (reading.endsAtMp3 && commandString.trimmed().size() > reading.name.size()) {
        add(place, Says::EndsAtMp3);
        return findings;
    }
    if (!reading.modeCharacter)
        add(place, Says::NoModeCharacter);
    if (reading.mode.isEmpty())
        return findings;
    TokenCounts counts;
    for (const CommandToken &token : reading.tokens)
        checkToken(findings, place, token, counts);
    if (!reading.unread.isEmpty())
        add(place, Says::UnreadAfterBlanks, {reading.unread});
    if (!counts.volume)
        add(place, Says::NoVolume);
    checkSwitching(findings, place, reading);
    return findings;
}

namespace {

// The lines of a program file that are not whole records; the repair where the entries allow it.
void checkProgramForm(Findings &findings, const QString &path, int number, const QByteArray &bytes,
                      const QStringList &strings)
{
    const ProgramFormat written = formatProgramFile(strings);
    if (bytes == written.content)
        return;
    const QString text = decodeCardText(bytes);
    const QString lineEnd = QStringLiteral("\r\n");
    const QString terminator = QStringLiteral("end");
    QList<std::pair<Says, QList<qint64>>> problems;
    qsizetype at = 0;
    int line = 0;
    int badLines = 0;
    bool endLine = false; // the line just read is "end"
    bool afterEnd = false; // a line follows an "end" line
    for (qsizetype end = text.indexOf(lineEnd); end >= 0; end = text.indexOf(lineEnd, at)) {
        const QString record = text.sliced(at, end - at);
        at = end + lineEnd.size();
        ++line;
        afterEnd = afterEnd || endLine;
        endLine = record.compare(terminator, NameCase) == 0;
        if (endLine)
            continue;
        if (record.contains(u'\r') || record.contains(u'\n')) {
            if (badLines++ == 0)
                problems.append({Says::LineNoCrLf, {line, 0, 0}});
        } else if (characterCount(record) != RecordLength) {
            if (badLines++ == 0)
                problems.append({Says::LineNotRecord, {line, characterCount(record), 0}});
        }
    }
    if (badLines > 1)
        problems.last().second[2] = badLines - 1;
    const QString tail = text.sliced(at);
    if (afterEnd || (endLine && !tail.isEmpty()))
        problems.append({Says::RecordsAfterEnd, {}});
    // "end" and a line end, the usual slip of an editor, is one line end too many, not a missing "end".
    if (tail != terminator)
        problems.append(
            {tail.trimmed() == terminator || (endLine && tail.isEmpty()) ? Says::LineEndAfterEnd : Says::NoEnd, {}});
    if (problems.isEmpty())
        problems.append({Says::NotSaveForm, {}});
    // A file in another encoding would change its bytes when rewritten: that is no certain repair.
    Repair repair;
    if (written.ok() && encodeCardText(text) == bytes)
        repair = {Repair::RewriteProgram, QString::number(number)};
    for (const auto &[says, numbers] : std::as_const(problems))
        findings.append({path, Kind::ProgramFormat, says, {}, numbers, repair});
}

// Why a file cannot be read; limit is the most the program reads of it, in bytes.
Finding unreadable(const QString &path, const CardError &error, qint64 limit)
{
    switch (error.cause) {
    case CardError::NotAFile:
        return {path, Kind::Unreadable, Says::NotAFile};
    case CardError::TooLarge:
        return {path, Kind::Unreadable, Says::TooLarge, {}, {limit}};
    default:
        return {path, Kind::Unreadable, Says::ReadFailed, {}, {error.number}};
    }
}

// The findings from first on point at where.
void pointAt(Findings &findings, qsizetype first, const FindingPlace &where)
{
    for (qsizetype i = first; i < findings.size(); ++i) {
        findings[i].where = where;
        findings[i].record = where.record;
    }
}

void checkProgram(Findings &findings, const CardStore::Contents &contents, int number, const QSet<QString> &tracks)
{
    const CardStore::CardFile &program = contents.programs[number];
    const CardStore::CardFile &name = contents.names[number];
    const QString path = programsPath(program.name);
    const QString namePath = programsPath(name.name);
    if (program.status == ReadStatus::Missing)
        return;
    const QList<ProgramEntry> entries = parseProgramFile(program.bytes);
    if (program.status == ReadStatus::Unreadable) {
        findings.append(unreadable(path, program.error, 8 * 1024 * 1024));
    } else if (entries.size() > ProgramRecordLimit) {
        findings.append({path, Kind::Unreadable, Says::TooManyEntries});
    } else {
        QStringList strings;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const ProgramEntry &entry = entries[i];
            strings.append(entry.commandString);
            const qsizetype first = findings.size();
            if (!tracks.contains(entry.trackName.toCaseFolded()))
                findings.append({path, Kind::MissingTrack, Says::MissingTrack, {entry.trackName}});
            findings += checkCommandString(path, entry.commandString);
            pointAt(findings, first, {ProgramNumber::all()[std::size_t(number)], int(i + 1), {}});
        }
        checkProgramForm(findings, path, number, program.bytes, strings);
    }

    if (name.status == ReadStatus::Missing) {
        findings.append({namePath, Kind::NameFile, Says::NameMissing, {}, {number}});
    } else if (name.status == ReadStatus::Unreadable) {
        findings.append(unreadable(namePath, name.error, 64 * 1024));
    } else if (name.bytes.isEmpty()) {
        findings.append({namePath, Kind::NameFile, Says::NameEmpty, {}, {number}});
    } else {
        const QString value = CardStore::firstLine(name.bytes);
        if (encodeCardText(value).size() < name.bytes.size())
            findings.append({namePath, Kind::NameFile, Says::NameManyLines});
        if (characterCount(value) > NameLengthLimit)
            findings.append(
                {namePath, Kind::NameFile, Says::NameTooLong, {}, {characterCount(value), NameLengthLimit}});
    }
}

void checkCommandFileAt(Findings &findings, const CardStore::CardFile &file, const QSet<QString> &tracks,
                        const QStringList &notFiles)
{
    const QStringList owners = CardStore::tracksOfCommandFile(file.name);
    QString track;
    for (const QString &owner : owners) {
        if (tracks.contains(owner.toCaseFolded()))
            track = owner;
    }
    if (track.isEmpty()) {
        const QString owner = owners.value(0);
        if (notFiles.contains(file.name))
            findings.append({file.name, Kind::OrphanCommandFile, Says::OrphanNotAFile, {owner}});
        else
            findings.append({file.name,
                             Kind::OrphanCommandFile,
                             Says::OrphanCommandFile,
                             {owner},
                             {},
                             {Repair::RemoveCommandFile, file.name}});
        return;
    }
    if (file.status == ReadStatus::Unreadable) {
        findings.append(unreadable(file.name, file.error, 1024));
        return;
    }
    const QString value = CardStore::firstLine(file.bytes);
    const QString named = trimmedBlanks(upToFirstMp3(value));
    const QString own = trimmedBlanks(upToFirstMp3(track));
    if (!named.isEmpty() && named.compare(own, NameCase) != 0) {
        Repair repair;
        if (characterCount(commandStringOfTrack(value, track)) <= MaxCommandStringLength)
            repair = {Repair::RewriteCommandFile, track};
        findings.append({file.name, Kind::WrongTrack, Says::WrongTrack, {named, own}, {}, repair});
    }
    findings += checkCommandString(file.name, value);
}

void checkCommandFile(Findings &findings, const CardStore::CardFile &file, const QSet<QString> &tracks,
                      const QStringList &notFiles)
{
    const qsizetype first = findings.size();
    checkCommandFileAt(findings, file, tracks, notFiles);
    pointAt(findings, first, {{}, 0, file.name});
}

} // namespace

Findings checkCard(const CardStore::Contents &contents)
{
    Findings findings;
    if (contents.programsNoFolder)
        findings.append({ProgramsFolderName, Kind::Unreadable, Says::NoProgramsFolder});
    QSet<QString> tracks;
    for (const QString &track : contents.tracks)
        tracks.insert(track.toCaseFolded());
    for (int number = 0; number < CardStore::ProgramCount; ++number)
        checkProgram(findings, contents, number, tracks);
    for (const CardStore::CardFile &file : contents.commandFiles)
        checkCommandFile(findings, file, tracks, contents.notFiles);
    for (const QString &track : contents.tracks) {
        if (characterCount(track) >= LongTrackNameLength)
            findings.append({track, Kind::LongTrackName, Says::LongTrackName, {}, {characterCount(track)}});
    }
    const QString listing = programsPath(RootDirFileName);
    const Repair writeListing {Repair::WriteListing, RootDirFileName};
    if (contents.listing == CardStore::ListingState::Stale)
        findings.append({listing, Kind::StaleListing, Says::StaleListing, {}, {}, writeListing});
    else if (contents.listing == CardStore::ListingState::Missing && !contents.tracks.isEmpty()
             && !contents.programsNoFolder)
        findings.append({listing, Kind::StaleListing, Says::ListingMissing, {}, {}, writeListing});
    for (const QString &leftover : contents.leftovers)
        findings.append({leftover, Kind::Leftover, Says::Leftover, {}, {}, {Repair::RemoveLeftovers, leftover}});
    for (const QString &item : contents.notFiles) {
        if (CardStore::tracksOfCommandFile(item).isEmpty())
            findings.append({item, Kind::Leftover, Says::LeftoverNotAFile});
    }
    return findings;
}

CardCheck checkCard(const CardStore &store)
{
    const CardStore::Contents contents = store.readContents();
    return {contents.readable, contents.readable ? checkCard(contents) : Findings()};
}

Notices applyRepair(CardStore &store, const Repair &repair)
{
    const CardStore::Work work(store, {ChangeCause::Repair, repair.target});
    const auto failed = [&repair](const CardError &error) {
        return error.failed() ? Notices {{Notice::Caution, Notice::Message::RepairFailed, {repair.target}, {}, error}}
                              : Notices();
    };
    switch (repair.action) {
    case Repair::None:
        return {};
    case Repair::RewriteProgram: {
        const std::optional<ProgramNumber> number = ProgramNumber::fromText(repair.target);
        if (!number)
            return failed(CardError::of(CardError::Refused));
        const CardStore::ProgramFiles files = store.readProgramFiles();
        const CardStore::CardFile &program = files.programs[number->value()];
        const QString path = programsPath(program.name);
        if (!files.readable)
            return failed(files.error);
        if (program.status != ReadStatus::Read)
            return failed(program.status == ReadStatus::Missing
                              ? CardError::fromErrno(ENOENT, path)
                              : CardError {program.error.cause, program.error.number, path});
        QStringList strings;
        for (const ProgramEntry &entry : parseProgramFile(program.bytes))
            strings.append(entry.commandString);
        const ProgramFormat written = formatProgramFile(strings);
        if (!written.ok())
            return failed(CardError::of(CardError::Refused, path));
        return failed(store.writeFiles({{CardStore::Folder::Programs, program.name, written.content}}).value(0));
    }
    case Repair::RewriteCommandFile: {
        CardStore::Lookup lookup = store.lookupCommands({repair.target});
        if (!lookup.notices.isEmpty())
            return lookup.notices;
        return store.writeTrackCommand(repair.target, lookup.commandStrings.value(0));
    }
    case Repair::RemoveCommandFile:
        return failed(store.removeOrphanCommandFile(repair.target));
    case Repair::WriteListing:
        return store.rewriteListing();
    case Repair::RemoveLeftovers:
        return failed(store.removeLeftovers());
    }
    return {};
}

QList<Repair> certainRepairs(const Findings &findings)
{
    QList<Repair> repairs;
    for (const Finding &finding : findings) {
        if (finding.repair.isCertain() && !repairs.contains(finding.repair))
            repairs.append(finding.repair);
    }
    std::stable_partition(repairs.begin(), repairs.end(),
                          [](const Repair &repair) { return repair.action != Repair::WriteListing; });
    return repairs;
}

Notices repairAll(CardStore &store, const Findings &findings, QList<Repair> *made)
{
    const CardStore::Work work(store, {ChangeCause::RepairAll, {}});
    Notices notices;
    for (const Repair &repair : certainRepairs(findings)) {
        const Notices failed = applyRepair(store, repair);
        if (failed.isEmpty() && made)
            made->append(repair);
        notices += failed;
    }
    return notices;
}

} // namespace Vexolo
