#pragma once

#include "storage/carderror.h"
#include "storage/programnumber.h"

#include <QList>
#include <QString>

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
    QString words; // what it does, as the report and its button say it
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

struct Finding
{
    Finding() = default;
    Finding(QString place_, Kind kind_, QString message_, Repair repair_ = {}, CardError error_ = {})
        : place(std::move(place_))
        , kind(kind_)
        , message(std::move(message_))
        , repair(std::move(repair_))
        , error(std::move(error_))
    {
    }

    QString place; // a file from the card root, and a record or a token in it
    Kind kind = Kind::Differs;
    QString message; // what is wrong, in words
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

// "PLACE: WORDS", one line per finding, with the repair where it is certain.
QString findingLine(const Finding &finding);
QString findingsText(const Findings &findings);
// A JSON array of objects with place, kind, message (and repair where certain), on one line.
QByteArray findingsJson(const Findings &findings);

} // namespace Vexolo
