#include "words/findingwords.h"

#include "card/tracknames.h"
#include "commands/tracksettings.h"
#include "storage/cardfiles.h"
#include "words/switchwords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Vexolo {

namespace {

QString outputWords(qint64 row)
{
    return row == TrackSettings::AllRow ? QStringLiteral("all outputs") : QStringLiteral("output %1").arg(row + 1);
}

QChar side(qint64 number)
{
    return number == 0 ? u'A' : u'B';
}

QString nameWords(const QString &name)
{
    return name.isEmpty() ? QStringLiteral("empty") : quoted(name);
}

// A limit of bytes as "8 MiB" or "64 KiB".
QString sizeWords(qint64 bytes)
{
    return bytes >= 1024 * 1024 ? QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024))
                                : QStringLiteral("%1 KiB").arg(bytes / 1024);
}

QString switchWords(const Finding &finding, qint64 lane)
{
    const bool all = lane == TrackSettings::AllRow;
    switch (finding.says) {
    case Says::SwitchOffBeforeOn:
        return all ? QStringLiteral("switches all outputs off before any is switched on")
                   : QStringLiteral("switches %1 off before it is switched on").arg(outputWords(lane));
    case Says::SwitchNeverOff:
        return QStringLiteral("switches %1 on, and nothing switches %2 off")
            .arg(outputWords(lane), all ? u"them" : u"it");
    case Says::SwitchOnAndOff:
        return QStringLiteral("switches %1 on and off at the same time: it ends %2")
            .arg(outputWords(lane), finding.numbers.value(1) ? u"on" : u"off");
    default: // not a whole number
        return notANumberText(finding.texts.value(0), qint32(finding.numbers.value(0)));
    }
}

QString stringWords(const Finding &finding)
{
    const QString text = finding.texts.value(0);
    const qint64 number = finding.numbers.value(0);
    switch (finding.says) {
    case Says::PauseNoTime:
        return QStringLiteral("the pause has no time");
    case Says::TooManyPauses:
        return QStringLiteral("more than ten pauses: the reader drops this one");
    case Says::VolumeNotDigit:
        return QStringLiteral("the volume is not one digit: it is read as %1").arg(quoted(text));
    case Says::NoCommand:
        return QStringLiteral("no command (P, V or an output digit): the reader drops it");
    case Says::NoOutput:
        return QStringLiteral("there is no output %1 (they are 1 to 8): the reader drops it").arg(number);
    case Says::NoSwitchDropped:
        return QStringLiteral("no switch (+, -, A or X) follows the output: the reader drops it");
    case Says::NoSwitchReadAsOff:
        return QStringLiteral("no switch (+ or -) follows the output: it is read as Off");
    case Says::SwitchNoTime:
        return QStringLiteral("the switch has no time");
    case Says::TooManyTimes:
        return QStringLiteral("more than five %1 times for %2: the reader drops this one")
            .arg(finding.numbers.value(1) ? u"On" : u"Off", outputWords(number));
    case Says::StringTooLong:
        return QStringLiteral("the string is %1 characters long; the device takes at most 79").arg(number);
    case Says::NamesNoTrack:
        return QStringLiteral("the string names no track: it holds no \".mp3\"");
    case Says::EndsAtMp3:
        return QStringLiteral("the string ends with \".mp3\": the reader takes no settings from it");
    case Says::NoModeCharacter:
        return QStringLiteral("no mode character (a blank, 1, 2, 5, 6 or 7) follows the track name");
    case Says::UnreadAfterBlanks:
        return QStringLiteral("two blanks in a row end the reading: %1 is not read").arg(quoted(text));
    case Says::NoVolume:
        return QStringLiteral("the string has no volume (\"V\" and a digit)");
    default:
        return switchWords(finding, number);
    }
}

QString formWords(const Finding &finding)
{
    const qint64 more = finding.numbers.value(2);
    QString words;
    switch (finding.says) {
    case Says::LineNoCrLf:
        words = QStringLiteral("line %1 does not end with CR LF").arg(finding.numbers.value(0));
        break;
    case Says::LineNotRecord:
        words = QStringLiteral("line %1 is %2 characters long, not a whole record of 79")
                    .arg(finding.numbers.value(0))
                    .arg(finding.numbers.value(1));
        break;
    case Says::RecordsAfterEnd:
        return QStringLiteral("records follow \"end\"");
    case Says::LineEndAfterEnd:
        return QStringLiteral("a line end follows the closing \"end\"");
    case Says::NoEnd:
        return QStringLiteral("the file does not end with \"end\"");
    case Says::NotSaveForm:
        return QStringLiteral("the file is not in the form Save writes");
    case Says::NotAFile:
        return QStringLiteral(
            "cannot be read: no regular file (a link, a folder, a device or a file of another mount)");
    case Says::TooLarge:
        return QStringLiteral("cannot be read: over ") + sizeWords(finding.numbers.value(0));
    case Says::ReadFailed:
        return QStringLiteral("cannot be read: ") + qt_error_string(int(finding.numbers.value(0)));
    case Says::TooManyEntries:
        return QStringLiteral("holds more entries than Load reads: too large to check");
    default:
        return stringWords(finding);
    }
    if (more > 0)
        words += QStringLiteral(" (and %1 more lines)").arg(more);
    return words;
}

QString checkWords(const Finding &finding)
{
    const QString text = finding.texts.value(0);
    const qint64 number = finding.numbers.value(0);
    switch (finding.says) {
    case Says::MissingTrack:
        return QStringLiteral("the track %1 is not on the card: Load leaves the entry out").arg(quoted(text));
    case Says::NameMissing:
        return QStringLiteral("missing: program %1 has no name").arg(number);
    case Says::NameEmpty:
        return QStringLiteral("empty: program %1 has no name").arg(number);
    case Says::NameManyLines:
        return QStringLiteral("holds more than one line: only the first is the name");
    case Says::NameTooLong:
        return QStringLiteral("the name is %1 characters long; at most %2 fit a line of the device")
            .arg(number)
            .arg(finding.numbers.value(1));
    case Says::OrphanCommandFile:
        return QStringLiteral("the command file of %1, which is not on the card").arg(quoted(text));
    case Says::WrongTrack:
        return QStringLiteral("holds the settings of %1, not of %2").arg(quoted(text), quoted(finding.texts.value(1)));
    case Says::NoProgramsFolder:
        return QStringLiteral("no folder of this card: programs cannot be saved or loaded");
    case Says::LongTrackName:
        return QStringLiteral("the name is %1 characters long: a track name of 77 or more cannot carry settings")
            .arg(number);
    case Says::StaleListing:
        return QStringLiteral("no longer matches the tracks and their settings");
    case Says::ListingMissing:
        return QStringLiteral("missing");
    case Says::Leftover:
        return QStringLiteral("a temporary file left by an interrupted save");
    case Says::OrphanNotAFile:
        return QStringLiteral("the command file of %1, which is not on the card; no regular file (a link, a folder or "
                              "a FIFO), so the program does not remove it: remove it yourself")
            .arg(quoted(text));
    case Says::LeftoverNotAFile:
        return QStringLiteral("named as a temporary file of an interrupted save, but no regular file (a link, a "
                              "folder or a FIFO), so the program does not remove it: remove it yourself");
    default:
        return formWords(finding);
    }
}

QString oneSide(const Finding &finding, const QString &what)
{
    return what + (finding.kind == Kind::OnlyOnA ? QStringLiteral(" only on A") : QStringLiteral(" only on B"));
}

QString compareWords(const Finding &finding)
{
    const QString a = finding.texts.value(0);
    const QString b = finding.texts.value(1);
    const qint64 number = finding.numbers.value(0);
    switch (finding.says) {
    case Says::CannotReadOn:
        return QStringLiteral("cannot be read on %1").arg(side(number));
    case Says::TooManyEntriesOn:
        return QStringLiteral("cannot be read on %1: more entries than Load reads").arg(side(number));
    case Says::RecordDiffers:
        return QStringLiteral("record %1 differs: %2 on A, %3 on B").arg(number).arg(quoted(a), quoted(b));
    case Says::EntryCounts:
        return QStringLiteral("%1 entries on A, %2 on B").arg(number).arg(finding.numbers.value(1));
    case Says::SameEntriesOtherBytes:
        return QStringLiteral("the same entries in other bytes (line ends or filling)");
    case Says::NamesDiffer:
        return QStringLiteral("the name is %1 on A, %2 on B").arg(nameWords(a), nameWords(b));
    case Says::SettingsDiffer:
        return QStringLiteral("the settings are %1 on A, %2 on B").arg(quoted(a), quoted(b));
    case Says::ProgramOnOneSide:
        return oneSide(finding, QStringLiteral("program %1").arg(number));
    case Says::CommandFileOnOneSide:
        return oneSide(finding, QStringLiteral("the command file"));
    case Says::TrackOnOneSide:
        return oneSide(finding, QStringLiteral("the track"));
    case Says::ControlNamedOn:
        return QStringLiteral("named as a track on %1, but its name holds a line break, a tab or another control "
                              "character: no track, not compared")
            .arg(side(number));
    default:
        return checkWords(finding);
    }
}

} // namespace

QString repairWords(const Repair &repair)
{
    switch (repair.action) {
    case Repair::RewriteProgram:
        return QStringLiteral("rewrite its entries as whole records ending with \"end\"");
    case Repair::RewriteCommandFile:
        return QStringLiteral("give the settings the name ") + quoted(trimmedBlanks(upToFirstMp3(repair.target)));
    case Repair::RemoveCommandFile:
        return QStringLiteral("remove the file");
    case Repair::WriteListing:
        return QStringLiteral("write the listing anew");
    case Repair::RemoveLeftovers:
        return QStringLiteral("remove the temporary files");
    case Repair::None:
        break;
    }
    return {};
}

QString repairDoneWords(const Repair &repair)
{
    switch (repair.action) {
    case Repair::RewriteProgram:
        return QStringLiteral("entries rewritten as whole records ending with \"end\"");
    case Repair::RewriteCommandFile:
        return QStringLiteral("settings given the name ") + quoted(trimmedBlanks(upToFirstMp3(repair.target)));
    case Repair::RemoveCommandFile:
        return QStringLiteral("removed, as its track is gone");
    case Repair::WriteListing:
        return QStringLiteral("the listing written anew");
    case Repair::RemoveLeftovers:
        return QStringLiteral("the temporary files of interrupted saves removed");
    case Repair::None:
        break;
    }
    return {};
}

QString findingPlace(const Finding &finding)
{
    QString place = finding.place;
    if (finding.record > 0)
        place += QStringLiteral(", record %1").arg(finding.record);
    if (!finding.token.isEmpty())
        place += QStringLiteral(", token ") + quoted(finding.token);
    return place;
}

QString findingMessage(const Finding &finding)
{
    const QString text = finding.texts.value(0);
    switch (finding.says) {
    case Says::NotReadNotCopied:
        return QStringLiteral("cannot be read: the setup is not copied");
    case Says::TrackNotOnTarget:
        return QStringLiteral("the track %1 is not on the target card; the entry is copied").arg(quoted(text));
    case Says::NotCopied:
        return QStringLiteral("its track %1 is not on the target card; the file is not copied").arg(quoted(text));
    case Says::NoTargetFolder:
        return QStringLiteral("no folder of the target card: the setup is not copied");
    case Says::BackupFolder:
        return QStringLiteral("holds no tracks: taken for a backup folder, it keeps every command file");
    case Says::CouldNotBeWritten:
        return QStringLiteral("could not be written");
    case Says::WrittenWithDefaults:
        return QStringLiteral("written with the default settings of command files that cannot be read");
    case Says::ReadsBackDifferently:
        return QStringLiteral("reads back differently from the source");
    case Says::ListingNotMatching:
        return QStringLiteral("does not match the tracks and their settings");
    case Says::NoRoom:
        return QStringLiteral("no room for the tracks: %1 bytes more are needed").arg(finding.numbers.value(0));
    case Says::CouldNotBeCopied:
        return QStringLiteral("could not be copied");
    case Says::Stated:
        return text;
    default:
        return compareWords(finding);
    }
}

QString findingLine(const Finding &finding)
{
    QString line = findingPlace(finding) + QStringLiteral(": ") + findingMessage(finding);
    if (finding.repair.isCertain())
        line += QStringLiteral(" (repair: ") + repairWords(finding.repair) + u')';
    return line;
}

QString findingsText(const Findings &findings)
{
    QString text;
    for (const Finding &finding : findings)
        text += findingLine(finding) + u'\n';
    return text;
}

QByteArray findingsJson(const Findings &findings)
{
    QJsonArray array;
    for (const Finding &finding : findings) {
        QJsonObject object {{QStringLiteral("place"), findingPlace(finding)},
                            {QStringLiteral("kind"), kindName(finding.kind)},
                            {QStringLiteral("message"), findingMessage(finding)}};
        if (finding.repair.isCertain())
            object.insert(QStringLiteral("repair"), repairWords(finding.repair));
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace Vexolo
