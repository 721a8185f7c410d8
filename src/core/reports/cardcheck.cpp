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

QString outputWords(int row)
{
    return row == TrackSettings::AllRow ? QStringLiteral("all outputs") : QStringLiteral("output %1").arg(row + 1);
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
        const QString outputs = outputWords(found.lane);
        QString words;
        switch (found.kind) {
        case SwitchFinding::OffWithoutOn:
            words = all ? QStringLiteral("switches all outputs off before any is switched on")
                        : QStringLiteral("switches %1 off before it is switched on").arg(outputs);
            break;
        case SwitchFinding::NeverOff:
            words = QStringLiteral("switches %1 on, and nothing switches %2 off").arg(outputs, all ? u"them" : u"it");
            break;
        case SwitchFinding::OnAndOffTogether:
            words = QStringLiteral("switches %1 on and off at the same time: it ends %2")
                        .arg(outputs, found.endsOn ? u"on" : u"off");
            break;
        default: // not a whole number; past the end needs the track's length, which a check does not read
            words = found.text.chopped(1);
            break;
        }
        findings.append({place + QStringLiteral(", token ") + quoted(token), Kind::BadString, words});
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
    const auto add = [&](const QString &message) { findings.append({where, Kind::BadString, message}); };
    switch (token.kind) {
    case CommandToken::Kind::Pause:
        if (token.value.isEmpty())
            add(QStringLiteral("the pause has no time"));
        else if (++counts.pauses > MaxPauses)
            add(QStringLiteral("more than ten pauses: the reader drops this one"));
        return;
    case CommandToken::Kind::Volume:
        counts.volume = true;
        if (token.text.size() != 2 || !isDigit(token.value[0]))
            add(QStringLiteral("the volume is not one digit: it is read as %1").arg(quoted(token.value)));
        return;
    case CommandToken::Kind::Unknown:
        add(QStringLiteral("no command (P, V or an output digit): the reader drops it"));
        return;
    case CommandToken::Kind::NoOutput:
        add(QStringLiteral("there is no output %1 (they are 1 to 8): the reader drops it").arg(token.output));
        return;
    case CommandToken::Kind::Switch:
        break;
    }
    if (!token.switchTaken)
        add(token.row < 0 ? QStringLiteral("no switch (+, -, A or X) follows the output: the reader drops it")
                          : QStringLiteral("no switch (+ or -) follows the output: it is read as Off"));
    if (token.row < 0)
        return;
    if (token.value.isEmpty())
        add(QStringLiteral("the switch has no time"));
    else if (++counts.times[token.row][token.on ? 0 : 1] > MaxTimesOfAKind)
        add(QStringLiteral("more than five %1 times for %2: the reader drops this one")
                .arg(token.on ? u"On" : u"Off", outputWords(token.row)));
}

} // namespace

Findings checkCommandString(const QString &place, const QString &commandString)
{
    Findings findings;
    const auto add = [&](const QString &where, const QString &message) {
        findings.append({where, Kind::BadString, message});
    };
    const qsizetype length = characterCount(commandString.trimmed());
    if (length > MaxCommandStringLength)
        add(place, QStringLiteral("the string is %1 characters long; the device takes at most 79").arg(length));
    const CommandReading reading = readCommandTokens(commandString);
    if (!reading.namesTrack) {
        add(place, QStringLiteral("the string names no track: it holds no \".mp3\""));
        checkSwitching(findings, place, reading); // read all the same, as the timeline reads it
        return findings;
    }
    if (reading.endsAtMp3 && commandString.trimmed().size() > reading.name.size()) {
        add(place, QStringLiteral("the string ends with \".mp3\": the reader takes no settings from it"));
        return findings;
    }
    if (!reading.modeCharacter)
        add(place, QStringLiteral("no mode character (a blank, 1, 2, 5, 6 or 7) follows the track name"));
    if (reading.mode.isEmpty())
        return findings;
    TokenCounts counts;
    for (const CommandToken &token : reading.tokens)
        checkToken(findings, place + QStringLiteral(", token ") + quoted(token.text), token, counts);
    if (!reading.unread.isEmpty())
        add(place, QStringLiteral("two blanks in a row end the reading: %1 is not read").arg(quoted(reading.unread)));
    if (!counts.volume)
        add(place, QStringLiteral("the string has no volume (\"V\" and a digit)"));
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
    QStringList problems;
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
                problems.append(QStringLiteral("line %1 does not end with CR LF").arg(line));
        } else if (characterCount(record) != RecordLength) {
            if (badLines++ == 0)
                problems.append(QStringLiteral("line %1 is %2 characters long, not a whole record of 79")
                                    .arg(line)
                                    .arg(characterCount(record)));
        }
    }
    if (badLines > 1)
        problems.last() += QStringLiteral(" (and %1 more lines)").arg(badLines - 1);
    const QString tail = text.sliced(at);
    if (afterEnd || (endLine && !tail.isEmpty()))
        problems.append(QStringLiteral("records follow \"end\""));
    // "end" and a line end, the usual slip of an editor, is one line end too many, not a missing "end".
    if (tail != terminator)
        problems.append(tail.trimmed() == terminator || (endLine && tail.isEmpty())
                            ? QStringLiteral("a line end follows the closing \"end\"")
                            : QStringLiteral("the file does not end with \"end\""));
    if (problems.isEmpty())
        problems.append(QStringLiteral("the file is not in the form Save writes"));
    // A file in another encoding would change its bytes when rewritten: that is no certain repair.
    Repair repair;
    if (written.ok() && encodeCardText(text) == bytes)
        repair = {Repair::RewriteProgram, QString::number(number),
                  QStringLiteral("rewrite its entries as whole records ending with \"end\"")};
    for (const QString &problem : std::as_const(problems))
        findings.append({path, Kind::ProgramFormat, problem, repair});
}

// Why a file cannot be read; limit is the most the program reads of it.
QString unreadable(const CardError &error, const QString &limit)
{
    switch (error.cause) {
    case CardError::NotAFile:
        return QStringLiteral(
            "cannot be read: no regular file (a link, a folder, a device or a file of another mount)");
    case CardError::TooLarge:
        return QStringLiteral("cannot be read: over ") + limit;
    default:
        return QStringLiteral("cannot be read: ") + qt_error_string(error.number);
    }
}

// The findings from first on point at where.
void pointAt(Findings &findings, qsizetype first, const FindingPlace &where)
{
    for (qsizetype i = first; i < findings.size(); ++i)
        findings[i].where = where;
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
        findings.append({path, Kind::Unreadable, unreadable(program.error, QStringLiteral("8 MiB"))});
    } else if (entries.size() > ProgramRecordLimit) {
        findings.append(
            {path, Kind::Unreadable, QStringLiteral("holds more entries than Load reads: too large to check")});
    } else {
        QStringList strings;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const ProgramEntry &entry = entries[i];
            const QString where = path + QStringLiteral(", record %1").arg(i + 1);
            strings.append(entry.commandString);
            const qsizetype first = findings.size();
            if (!tracks.contains(entry.trackName.toCaseFolded()))
                findings.append({where, Kind::MissingTrack,
                                 QStringLiteral("the track %1 is not on the card: Load leaves the entry out")
                                     .arg(quoted(entry.trackName))});
            findings += checkCommandString(where, entry.commandString);
            pointAt(findings, first, {ProgramNumber::all()[std::size_t(number)], int(i + 1), {}});
        }
        checkProgramForm(findings, path, number, program.bytes, strings);
    }

    const QString words = QStringLiteral("program %1 has no name").arg(number);
    if (name.status == ReadStatus::Missing) {
        findings.append({namePath, Kind::NameFile, QStringLiteral("missing: ") + words});
    } else if (name.status == ReadStatus::Unreadable) {
        findings.append({namePath, Kind::Unreadable, unreadable(name.error, QStringLiteral("64 KiB"))});
    } else if (name.bytes.isEmpty()) {
        findings.append({namePath, Kind::NameFile, QStringLiteral("empty: ") + words});
    } else {
        const QString value = CardStore::firstLine(name.bytes);
        if (encodeCardText(value).size() < name.bytes.size())
            findings.append(
                {namePath, Kind::NameFile, QStringLiteral("holds more than one line: only the first is the name")});
        if (characterCount(value) > NameLengthLimit)
            findings.append({namePath, Kind::NameFile,
                             QStringLiteral("the name is %1 characters long; at most %2 fit a line of the device")
                                 .arg(characterCount(value))
                                 .arg(NameLengthLimit)});
    }
}

void checkCommandFileAt(Findings &findings, const CardStore::CardFile &file, const QSet<QString> &tracks)
{
    const QStringList owners = CardStore::tracksOfCommandFile(file.name);
    QString track;
    for (const QString &owner : owners) {
        if (tracks.contains(owner.toCaseFolded()))
            track = owner;
    }
    if (track.isEmpty()) {
        const QString owner = owners.value(0);
        findings.append({file.name,
                         Kind::OrphanCommandFile,
                         QStringLiteral("the command file of %1, which is not on the card").arg(quoted(owner)),
                         {Repair::RemoveCommandFile, file.name, QStringLiteral("remove the file")}});
        return;
    }
    if (file.status == ReadStatus::Unreadable) {
        findings.append({file.name, Kind::Unreadable, unreadable(file.error, QStringLiteral("1 KiB"))});
        return;
    }
    const QString value = CardStore::firstLine(file.bytes);
    const QString named = trimmedBlanks(upToFirstMp3(value));
    const QString own = trimmedBlanks(upToFirstMp3(track));
    if (!named.isEmpty() && named.compare(own, NameCase) != 0) {
        Repair repair;
        if (characterCount(commandStringOfTrack(value, track)) <= MaxCommandStringLength)
            repair = {Repair::RewriteCommandFile, track, QStringLiteral("give the settings the name ") + quoted(own)};
        findings.append({file.name, Kind::WrongTrack,
                         QStringLiteral("holds the settings of %1, not of %2").arg(quoted(named), quoted(own)),
                         repair});
    }
    findings += checkCommandString(file.name, value);
}

void checkCommandFile(Findings &findings, const CardStore::CardFile &file, const QSet<QString> &tracks)
{
    const qsizetype first = findings.size();
    checkCommandFileAt(findings, file, tracks);
    pointAt(findings, first, {{}, 0, file.name});
}

} // namespace

Findings checkCard(const CardStore::Contents &contents)
{
    Findings findings;
    if (contents.programsNoFolder)
        findings.append({ProgramsFolderName, Kind::Unreadable,
                         QStringLiteral("no folder of this card: programs cannot be saved or loaded")});
    QSet<QString> tracks;
    for (const QString &track : contents.tracks)
        tracks.insert(track.toCaseFolded());
    for (int number = 0; number < CardStore::ProgramCount; ++number)
        checkProgram(findings, contents, number, tracks);
    for (const CardStore::CardFile &file : contents.commandFiles)
        checkCommandFile(findings, file, tracks);
    for (const QString &track : contents.tracks) {
        if (characterCount(track) >= LongTrackNameLength)
            findings.append({track, Kind::LongTrackName,
                             QStringLiteral("the name is %1 characters long: a track name of 77 or more cannot "
                                            "carry settings")
                                 .arg(characterCount(track))});
    }
    const QString listing = programsPath(RootDirFileName);
    const Repair writeListing {Repair::WriteListing, RootDirFileName, QStringLiteral("write the listing anew")};
    if (contents.listing == CardStore::ListingState::Stale)
        findings.append({listing, Kind::StaleListing, QStringLiteral("no longer matches the tracks and their settings"),
                         writeListing});
    else if (contents.listing == CardStore::ListingState::Missing && !contents.tracks.isEmpty()
             && !contents.programsNoFolder)
        findings.append({listing, Kind::StaleListing, QStringLiteral("missing"), writeListing});
    for (const QString &leftover : contents.leftovers)
        findings.append({leftover,
                         Kind::Leftover,
                         QStringLiteral("a temporary file left by an interrupted save"),
                         {Repair::RemoveLeftovers, leftover, QStringLiteral("remove the temporary files")}});
    return findings;
}

CardCheck checkCard(const CardStore &store)
{
    const CardStore::Contents contents = store.readContents();
    return {contents.readable, contents.readable ? checkCard(contents) : Findings()};
}

Notices applyRepair(CardStore &store, const Repair &repair)
{
    const CardStore::Work work(store, QStringLiteral("repair of %1").arg(repair.target));
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

Notices repairAll(CardStore &store, const Findings &findings)
{
    const CardStore::Work work(store, QStringLiteral("Repair All"));
    Notices notices;
    for (const Repair &repair : certainRepairs(findings))
        notices += applyRepair(store, repair);
    return notices;
}

} // namespace Vexolo
