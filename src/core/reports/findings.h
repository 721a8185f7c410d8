#pragma once

#include "storage/carderror.h"
#include "storage/programnumber.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What a check or a comparison of cards found: one finding per line of its report.
namespace Vexolo {

// The finding kinds: a card's check, then a comparison or a copy of two cards, then a write a copy
// plans. Each has a short fixed word for scripts (kindName), the same in the report and in its JSON.
enum class Kind {
    MissingTrack,
    OrphanCommandFile,
    WrongTrack,
    BadString,
    ProgramFormat,
    NameFile,
    LongTrackName,
    StaleListing,
    Leftover,
    Unreadable,
    Differs,
    OnlyOnA,
    OnlyOnB,
    TrackNotOnTarget,
    NotCopied,
    Backup,
    Refused,
    NotVerified,
    WillWrite,
};
// "missing-track", "only-on-a", ...
QString kindName(Kind kind);

// A repair that is certain: what to do is fixed by the card itself, nothing is guessed.
struct Repair
{
    enum Action {
        None,
        RewriteProgram, // target: the program number; the same entries as whole records, then "end"
        RewriteCommandFile, // target: the track; its settings under its own name
        RemoveCommandFile, // target: the command file, its track gone
        WriteListing, // the listing of the tracks anew
        RemoveLeftovers, // the temporary files of interrupted saves
    };
    Action action = None;
    QString target;
    bool isCertain() const { return action != None; }
    bool operator==(const Repair &) const = default;
};

// Where a finding of a card check points: a record of a program file, or a command file of the root.
struct FindingPlace
{
    std::optional<ProgramNumber> program; // none when no program file
    int record = 0; // from 1
    QString commandFile;
    bool operator==(const FindingPlace &) const = default;
};

// What a finding says, one value per sentence; the values it needs are in the finding's texts and numbers.
enum class Says {
    // a command string's switching: numbers lane (and for OnAndOff whether it ends on); NotANumber: texts the
    // field, numbers its time
    SwitchOffBeforeOn,
    SwitchNeverOff,
    SwitchOnAndOff,
    SwitchNotANumber,
    // a command string's tokens
    PauseNoTime,
    TooManyPauses,
    VolumeNotDigit,
    NoCommand,
    NoOutput,
    NoSwitchDropped,
    NoSwitchReadAsOff,
    SwitchNoTime,
    TooManyTimes,
    StringTooLong,
    NamesNoTrack,
    EndsAtMp3,
    NoModeCharacter,
    UnreadAfterBlanks,
    NoVolume,
    // a program file's form: numbers the line, its length, the lines more of its kind
    LineNoCrLf,
    LineNotRecord,
    RecordsAfterEnd,
    LineEndAfterEnd,
    NoEnd,
    NotSaveForm,
    // a file that cannot be read: NotAFile, TooLarge (numbers the limit in bytes), ReadFailed (numbers errno)
    NotAFile,
    TooLarge,
    ReadFailed,
    TooManyEntries,
    MissingTrack,
    NameMissing,
    NameEmpty,
    NameManyLines,
    NameTooLong,
    OrphanCommandFile,
    WrongTrack,
    NoProgramsFolder,
    LongTrackName,
    StaleListing,
    ListingMissing,
    Leftover,
    OrphanNotAFile, // texts its track
    LeftoverNotAFile,
    // a comparison: numbers 0 for A, 1 for B; one side's program, command file or track by the kind
    CannotReadOn,
    TooManyEntriesOn,
    RecordDiffers,
    EntryCounts,
    SameEntriesOtherBytes,
    NamesDiffer,
    SettingsDiffer,
    ProgramOnOneSide,
    CommandFileOnOneSide,
    TrackOnOneSide,
    ControlNamedOn, // a name holding a control character on one side: no track, not compared
    // a copy
    NotReadNotCopied,
    TrackNotOnTarget,
    NotCopied,
    NoTargetFolder,
    BackupFolder,
    CouldNotBeWritten,
    WrittenWithDefaults,
    ReadsBackDifferently,
    ListingNotMatching,
    NoRoom,
    CouldNotBeCopied,
    // a sentence worded above the core (the fleet library, a window): texts the sentence
    Stated,
};

struct Finding
{
    Finding() = default;
    Finding(QString place_, Kind kind_, Says says_, QStringList texts_ = {}, QList<qint64> numbers_ = {},
            Repair repair_ = {}, CardError error_ = {})
        : place(std::move(place_))
        , kind(kind_)
        , says(says_)
        , texts(std::move(texts_))
        , numbers(std::move(numbers_))
        , repair(std::move(repair_))
        , error(std::move(error_))
    {
    }

    // A sentence the caller words itself (the copy window's planned writes).
    Finding(QString place_, Kind kind_, QString stated)
        : Finding(std::move(place_), kind_, Says::Stated, {std::move(stated)})
    {
    }

    QString place; // a file from the card root, or the card
    int record = 0; // the record of a program file, from 1; 0 for the whole file
    QString token; // the token of a command string as written; empty for the whole string
    Kind kind = Kind::Differs;
    Says says = Says::SameEntriesOtherBytes;
    QStringList texts; // the names and strings it quotes
    QList<qint64> numbers;
    Repair repair;
    CardError error; // why it failed, where the card or the system told
    FindingPlace where; // the record or command file a check's finding points at
    bool operator==(const Finding &) const = default;
};
using Findings = QList<Finding>;

// The record or the command file the finding points at, as the check found it.
inline FindingPlace placeOf(const Finding &finding)
{
    return finding.where;
}

// "TEXT" in double quotes, as the reports quote names and strings.
QString quoted(const QString &text);

} // namespace Vexolo
