#include "storage/cardfiles.h"

#include "card/tracknames.h"
#include "storage/cardtext.h"

namespace Vexolo {

namespace {

const QByteArray LineEnd = QByteArrayLiteral("\r\n");
const QByteArray Terminator = QByteArrayLiteral("end");

qsizetype lineEndAt(QStringView text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n')
            return i;
    }
    return -1;
}

} // namespace

QString programFileName(const QString &number)
{
    return QStringLiteral("Program") + number + QStringLiteral(".txt");
}

QString programNameFileName(const QString &number)
{
    return QStringLiteral("Program") + number + QStringLiteral(".adv");
}

QString trackCommandFileName(const QString &trackName)
{
    const qsizetype at = indexOfMp3(trackName);
    if (at < 0)
        return {};
    QString name = trackName;
    return name.replace(at, Mp3Extension.size(), QStringLiteral(".adv"));
}

QString defaultCommandString(const QString &trackName)
{
    return trackName + QStringLiteral(" V7");
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
    const qsizetype fill = RecordLength - characterCount(commandString);
    if (fill > 0)
        content.append(fill, ' ');
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
    for (const QString &commandString : commandStrings) {
        const qsizetype length = characterCount(commandString);
        if (length > RecordLength)
            return {QByteArray(), length};
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

QList<ProgramEntry> parseProgramFile(const QByteArray &content)
{
    // One encoding per file: a file written by another tool is single-byte throughout.
    const QString text = decodeCardText(content);
    QList<ProgramEntry> entries;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = lineEndAt(text, start);
        qsizetype next = end + 1;
        if (end < 0) {
            end = text.size();
            next = end;
        } else if (text[end] == u'\r' && next < text.size() && text[next] == u'\n') {
            ++next;
        }
        const QString line = text.sliced(start, end - start);
        start = next;

        // The terminator does not stop the reading: lines after it are read like any other.
        if (line.isEmpty() || line.compare(QLatin1StringView(Terminator), NameCase) == 0)
            continue;
        ProgramEntry entry;
        entry.trackName = indexOfMp3(line) < 0 ? leftCharacters(line, 3) : upToFirstMp3(line);
        entry.displayName = trimmedBlanks(entry.trackName);
        entry.commandString = trimmedBlanks(line);
        entries.append(std::move(entry));
    }
    return entries;
}

QString readSingleValue(const QByteArray &content)
{
    // CR and LF never occur inside a multi-byte UTF-8 character, so the line can be cut first.
    qsizetype end = content.size();
    for (qsizetype i = 0; i < content.size(); ++i) {
        if (content[i] == '\r' || content[i] == '\n') {
            end = i;
            break;
        }
    }
    return decodeCardText(content.left(end));
}

} // namespace Vexolo
