#include "storage/cardfiles.h"

#include "commands/commandencoder.h"

#include "card/tracknames.h"
#include "storage/cardtext.h"

#include <algorithm>

namespace Vexolo {

namespace {

const QByteArray LineEnd = QByteArrayLiteral("\r\n");
const QByteArray Terminator = QByteArrayLiteral("end");

} // namespace

QString programsPath(const QString &name)
{
    return ProgramsFolderName + u'/' + name;
}

QString programFileName(ProgramNumber number)
{
    return QStringLiteral("Program") + number.text() + QStringLiteral(".txt");
}

QString programNameFileName(ProgramNumber number)
{
    return QStringLiteral("Program") + number.text() + QStringLiteral(".adv");
}

QString trackCommandFileName(const QString &trackName)
{
    const qsizetype at = indexOfMp3(trackName);
    if (at < 0)
        return {};
    QString name = trackName;
    name.replace(at, Mp3Extension.size(), QStringLiteral(".adv"));
    // Song.mp3.mp3 would name the track Song.adv.mp3: a track is never a command file.
    return name.endsWith(Mp3Extension, NameCase) ? QString() : name;
}

QString defaultCommandString(const QString &trackName)
{
    return trackName + QStringLiteral(" V7");
}

bool nameTooLongToSave(const QString &trackName)
{
    return characterCount(defaultCommandString(trackName)) > MaxCommandStringLength;
}

QString commandStringOfTrack(const QString &commandString, const QString &trackName)
{
    const QString name = upToFirstMp3(commandString);
    if (name.isEmpty())
        return defaultCommandString(trackName);
    return upToFirstMp3(trackName).trimmed() + commandString.sliced(name.size());
}

namespace {

void appendRecord(QByteArray &content, const QString &commandString)
{
    content += encodeCardText(commandString);
    content.append(std::max(RecordLength - characterCount(commandString), qsizetype(0)), ' ');
    content += LineEnd;
}

} // namespace

QByteArray commandRecord(const QString &commandString)
{
    QByteArray record;
    appendRecord(record, commandString);
    return record;
}

ProgramFormat formatProgramFile(const QStringList &commandStrings)
{
    // The same records as the listing, but a string over 79 characters refuses the whole file.
    for (qsizetype i = 0; i < commandStrings.size(); ++i) {
        const qsizetype length = characterCount(commandStrings[i]);
        if (length > RecordLength)
            return {QByteArray(), length, i};
    }
    return {formatListing(commandStrings)};
}

QByteArray formatListing(const QStringList &commandStrings)
{
    QByteArray content;
    content.reserve(commandStrings.size() * (RecordLength + 2) + 3);
    for (const QString &commandString : commandStrings)
        appendRecord(content, commandString);
    return content + Terminator;
}

QString trimmedBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == u' ')
        ++first;
    while (end > first && text[end - 1] == u' ')
        --end;
    return text.sliced(first, end - first);
}

namespace {

QByteArrayView withoutBom(QByteArrayView line)
{
    return line.startsWith("\xEF\xBB\xBF") ? line.sliced(3) : line;
}

// The terminator does not stop the reading: lines after it are read like any other.
bool isEntryLine(QByteArrayView line)
{
    return !line.isEmpty() && QLatin1StringView(line).compare(QLatin1StringView(Terminator), NameCase) != 0;
}

// Hands each line to onLine until it returns false. A line ends at CR, at LF or at both: the empty
// line between CR and LF is skipped anyway.
template<typename OnLine> void forEachLine(QByteArrayView content, OnLine onLine)
{
    for (qsizetype start = 0; start <= content.size();) {
        qsizetype end = start;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n')
            ++end;
        if (!onLine(content.sliced(start, end - start)))
            return;
        start = end + 1;
    }
}

} // namespace

std::optional<ProgramEntry> parseProgramLine(QByteArrayView line, bool windows1252)
{
    line = withoutBom(line);
    if (!isEntryLine(line))
        return {};
    const QString text = windows1252 ? decodeWindows1252(line) : decodeCardText(line);
    ProgramEntry entry;
    entry.trackName = indexOfMp3(text) < 0 ? leftCharacters(text, 3) : upToFirstMp3(text);
    entry.displayName = trimmedBlanks(entry.trackName);
    entry.commandString = trimmedBlanks(text);
    return entry;
}

QList<ProgramEntry> parseProgramFile(QByteArrayView content, qsizetype limit)
{
    QList<ProgramEntry> entries;
    forEachLine(content, [&](QByteArrayView line) {
        if (std::optional<ProgramEntry> entry = parseProgramLine(line))
            entries.append(std::move(*entry));
        return entries.size() <= limit;
    });
    return entries;
}

qsizetype countProgramEntries(QByteArrayView content, qsizetype limit)
{
    qsizetype count = 0;
    forEachLine(content, [&](QByteArrayView line) {
        count += isEntryLine(withoutBom(line));
        return count <= limit;
    });
    return count;
}

} // namespace Vexolo
