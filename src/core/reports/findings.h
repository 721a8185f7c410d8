#pragma once

#include <QList>
#include <QString>

// What a check or a comparison of cards found: one finding per line of its report.
namespace Vexolo {

// The finding kinds, the same words in the report and in its JSON: a card's check, then a
// comparison or a copy of two cards.
namespace Kind {
inline const QString MissingTrack = QStringLiteral("missing-track");
inline const QString OrphanCommandFile = QStringLiteral("orphan-command-file");
inline const QString WrongTrack = QStringLiteral("wrong-track");
inline const QString BadString = QStringLiteral("bad-string");
inline const QString ProgramFormat = QStringLiteral("program-format");
inline const QString NameFile = QStringLiteral("name-file");
inline const QString LongTrackName = QStringLiteral("long-track-name");
inline const QString StaleListing = QStringLiteral("stale-listing");
inline const QString Leftover = QStringLiteral("leftover");
inline const QString Unreadable = QStringLiteral("unreadable");
inline const QString Differs = QStringLiteral("differs");
inline const QString OnlyOnA = QStringLiteral("only-on-a");
inline const QString OnlyOnB = QStringLiteral("only-on-b");
inline const QString TrackNotOnTarget = QStringLiteral("track-not-on-target");
inline const QString NotCopied = QStringLiteral("not-copied");
inline const QString Backup = QStringLiteral("backup");
inline const QString Refused = QStringLiteral("refused");
inline const QString NotVerified = QStringLiteral("not-verified");
} // namespace Kind

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

struct Finding
{
    Finding() = default;
    Finding(QString place_, QString kind_, QString message_, Repair repair_ = {})
        : place(std::move(place_))
        , kind(std::move(kind_))
        , message(std::move(message_))
        , repair(std::move(repair_))
    {
    }

    QString place; // a file from the card root, and a record or a token in it
    QString kind; // a short fixed word for scripts
    QString message; // what is wrong, in words
    Repair repair;
    bool operator==(const Finding &) const = default;
};
using Findings = QList<Finding>;

// "TEXT" in double quotes, as the reports quote names and strings.
QString quoted(const QString &text);
// A file of the Programs folder as the reports place it: "Programs/NAME".
QString programsPath(const QString &name);

// "PLACE: WORDS", one line per finding, with the repair where it is certain.
QString findingLine(const Finding &finding);
QString findingsText(const Findings &findings);
// A JSON array of objects with place, kind, message (and repair where certain), on one line.
QByteArray findingsJson(const Findings &findings);

} // namespace Vexolo
