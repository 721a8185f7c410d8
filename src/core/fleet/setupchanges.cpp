#include "fleet/setupchanges.h"

#include "commands/commandreader.h"
#include "commands/settingswords.h"
#include "storage/cardfiles.h"
#include "storage/cardtext.h"

#include <QSet>

#include <optional>

// Two setups read as the card's own readers read them, and their differences said as the user would say them.
namespace Vexolo {

namespace {

// The most entries two programs are matched through one by one (their differing middles multiplied): a pair of giant
// programs is said in one line, never worked through in quadratic time and memory.
constexpr qsizetype AlignLimit = qsizetype(1) << 20;
// The most lines one file gets; the rest is counted.
constexpr qsizetype LinesPerFile = 100;

const QString Arrow = QStringLiteral(" \u2192 ");

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

QString counted(qsizetype n, const char *one, const char *many)
{
    return QString::number(n) + u' ' + QLatin1StringView(n == 1 ? one : many);
}

// The first line of a single-value file (a name, a command file), as the card's readers take it.
QString firstLine(QByteArrayView bytes)
{
    const qsizetype end = std::min(bytes.indexOf('\r') < 0 ? bytes.size() : bytes.indexOf('\r'),
                                   bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'));
    return decodeCardText(bytes.first(end));
}

// "2.0 s" in tenths, "20 s" in seconds; a time the device reads otherwise is said as typed.
QString timeWords(const QString &value, TimeUnit unit)
{
    bool number = value.size() <= 9 && !value.isEmpty();
    for (const QChar c : value)
        number = number && c >= u'0' && c <= u'9';
    if (!number)
        return quoted(value);
    const qint64 n = value.toLongLong();
    return unit == TimeUnit::Seconds ? QStringLiteral("%1 s").arg(n)
                                     : QStringLiteral("%1.%2 s").arg(n / 10).arg(n % 10);
}

// Each auto pause and output switch of a track's settings, in words ("output 3 on at 2.0 s").
QStringList timedWords(const TrackSettings &settings, TimeUnit unit)
{
    QStringList words;
    for (int column = 0; column < TrackSettings::Columns; ++column) {
        const QString at = QStringLiteral(" at ");
        if (!settings.pauses[column].isEmpty())
            words.append(QStringLiteral("auto pause") + at + timeWords(settings.pauses[column], unit));
        for (int row = 0; row < TrackSettings::OutputRows; ++row) {
            const QString &time = settings.outputs[row][column];
            if (time.isEmpty())
                continue;
            const QString lane = row == TrackSettings::AllRow ? QStringLiteral("all outputs")
                                                              : QStringLiteral("output %1").arg(row + 1);
            words.append(lane + (column % 2 == 0 ? QStringLiteral(" on") : QStringLiteral(" off")) + at
                         + timeWords(time, unit));
        }
    }
    return words;
}

QString fadeOnly(FadeOption fade)
{
    return fadeWords(fade).section(QStringLiteral(": "), 1);
}

// How the settings of commandString after differ from before's, each a phrase ("volume 5 → 7").
QStringList settingsChanges(const QString &before, const QString &after, TimeUnit unit)
{
    if (before == after)
        return {};
    TrackSettings a;
    TrackSettings b;
    readCommandString(a, before);
    readCommandString(b, after);
    QStringList changes;
    if (a.volume != b.volume)
        changes.append(QStringLiteral("volume ") + a.volume + Arrow + b.volume);
    if (a.fade != b.fade)
        changes.append(QStringLiteral("remote ") + fadeOnly(a.fade) + Arrow + fadeOnly(b.fade));
    if (a.playNext != b.playNext)
        changes.append(b.playNext ? QStringLiteral("now plays the next by itself")
                                  : QStringLiteral("no longer plays the next by itself"));
    QStringList added = timedWords(b, unit);
    for (const QString &time : timedWords(a, unit)) {
        if (!added.removeOne(time))
            changes.append(time + QStringLiteral(" removed"));
    }
    for (const QString &time : std::as_const(added))
        changes.append(time + QStringLiteral(" added"));
    if (changes.isEmpty())
        changes.append(QStringLiteral("written otherwise, with the same settings"));
    return changes;
}

// A program file's entries, as Load reads them; none when it is no program: not text, too large, or a line that
// names no track.
std::optional<QList<ProgramEntry>> programOf(const QByteArray &bytes)
{
    if (bytes.size() > ProgramFileLimit || bytes.contains('\0'))
        return {};
    QList<ProgramEntry> entries = parseProgramFile(bytes);
    if (entries.size() > ProgramRecordLimit)
        return {};
    for (const ProgramEntry &entry : std::as_const(entries)) {
        if (!entry.trackName.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive))
            return {};
    }
    return entries;
}

QStringList namesOf(const QList<ProgramEntry> &entries)
{
    QStringList names;
    for (const ProgramEntry &entry : entries)
        names.append(entry.displayName);
    return names;
}

using Pairs = QList<std::pair<qsizetype, qsizetype>>;

// The entries of a and b that stay, matched in order by their tracks' names (the longest common sequence), so one
// entry removed is one change and not every later entry; none when the middles that differ are too large to match.
std::optional<Pairs> align(const QStringList &a, const QStringList &b)
{
    qsizetype front = 0;
    while (front < a.size() && front < b.size() && a[front] == b[front])
        ++front;
    qsizetype back = 0;
    while (back < a.size() - front && back < b.size() - front && a[a.size() - 1 - back] == b[b.size() - 1 - back])
        ++back;
    const qsizetype n = a.size() - front - back;
    const qsizetype m = b.size() - front - back;
    if (n > 0 && m > AlignLimit / n)
        return {};
    // The length of the longest common sequence of the middles from i and j on.
    QList<quint32> longest((n + 1) * (m + 1), 0);
    const auto at = [m](qsizetype i, qsizetype j) { return i * (m + 1) + j; };
    for (qsizetype i = n - 1; i >= 0; --i) {
        for (qsizetype j = m - 1; j >= 0; --j)
            longest[at(i, j)] = a[front + i] == b[front + j] ? longest[at(i + 1, j + 1)] + 1
                                                             : std::max(longest[at(i + 1, j)], longest[at(i, j + 1)]);
    }
    Pairs pairs;
    for (qsizetype i = 0; i < front; ++i)
        pairs.append({i, i});
    for (qsizetype i = 0, j = 0; i < n && j < m;) {
        if (a[front + i] == b[front + j])
            pairs.append({front + i++, front + j++});
        else if (longest[at(i + 1, j)] >= longest[at(i, j + 1)])
            ++i;
        else
            ++j;
    }
    for (qsizetype k = back; k > 0; --k)
        pairs.append({a.size() - k, b.size() - k});
    return pairs;
}

// "a.mp3", or "a.mp3 (entry 3)" where the program holds the track more than once.
QString entryName(const QStringList &names, qsizetype index)
{
    return names.count(names[index]) > 1 ? QStringLiteral("%1 (entry %2)").arg(names[index]).arg(index + 1)
                                         : names[index];
}

// The changes of a program's entries: removed, added, moved, and the settings of those that stay.
QStringList entryChanges(const QList<ProgramEntry> &before, const QList<ProgramEntry> &after, TimeUnit unit)
{
    const QStringList a = namesOf(before);
    const QStringList b = namesOf(after);
    const std::optional<Pairs> kept = align(a, b);
    if (!kept)
        return {QStringLiteral("%1 before, %2 now; too many changed to list one by one")
                    .arg(counted(a.size(), "entry", "entries"), counted(b.size(), "entry", "entries"))};
    QList<bool> keptA(a.size(), false);
    QList<bool> keptB(b.size(), false);
    for (const auto &[i, j] : *kept)
        keptA[i] = keptB[j] = true;
    Pairs moved;
    QStringList lines;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (keptA[i])
            continue;
        qsizetype j = 0;
        while (j < b.size() && (keptB[j] || b[j] != a[i]))
            ++j;
        if (j < b.size()) {
            keptB[j] = true;
            moved.append({i, j});
            lines.append(QStringLiteral("%1 moved from entry %2 to entry %3").arg(a[i]).arg(i + 1).arg(j + 1));
        } else {
            lines.append(QStringLiteral("%1 (entry %2) removed").arg(a[i]).arg(i + 1));
        }
    }
    for (qsizetype j = 0; j < b.size(); ++j) {
        if (!keptB[j])
            lines.append(QStringLiteral("%1 (entry %2) added").arg(b[j]).arg(j + 1));
    }
    for (const auto &[i, j] : *kept + moved) {
        for (const QString &change : settingsChanges(before[i].commandString, after[j].commandString, unit))
            lines.append(entryName(b, j) + u' ' + change);
    }
    return lines;
}

// At most LinesPerFile of lines, each after prefix, and how many more there are.
void appendCapped(QStringList &out, const QString &prefix, const QStringList &lines)
{
    for (qsizetype i = 0; i < lines.size() && i < LinesPerFile; ++i)
        out.append(prefix + lines[i]);
    if (lines.size() > LinesPerFile)
        out.append(prefix
                   + QStringLiteral("and %1 more %2")
                         .arg(lines.size() - LinesPerFile)
                         .arg(lines.size() - LinesPerFile == 1 ? u"change" : u"changes"));
}

QString fileWords(const QByteArray &path)
{
    return decodeFileName(path);
}

// "Program 3 "Hall" added (4 entries)" and the like: a program as a whole.
QString wholeProgram(const QString &program, const QByteArray *nameFile, const QByteArray &bytes, const char *what)
{
    const QString name = nameFile && !firstLine(*nameFile).isEmpty() ? u' ' + quoted(firstLine(*nameFile)) : QString();
    const std::optional<QList<ProgramEntry>> entries = programOf(bytes);
    return program + name + u' ' + QLatin1StringView(what)
        + (entries ? QStringLiteral(" (%1)").arg(counted(entries->size(), "entry", "entries"))
                   : QStringLiteral(" (cannot be read as a program)"));
}

const QByteArray *find(const SetupSnapshot &files, const QByteArray &path)
{
    const auto found = files.constFind(path);
    return found == files.cend() ? nullptr : &*found;
}

// A program and its name, as a whole or entry by entry.
void programChanges(const SetupSnapshot &before, const SetupSnapshot &after, ProgramNumber number, TimeUnit unit,
                    QStringList &out)
{
    const QByteArray prefix = encodeFileName(ProgramsFolderName) + '/';
    const QByteArray programPath = prefix + encodeFileName(programFileName(number));
    const QByteArray namePath = prefix + encodeFileName(programNameFileName(number));
    const QByteArray *a = find(before, programPath);
    const QByteArray *b = find(after, programPath);
    const QByteArray *nameA = find(before, namePath);
    const QByteArray *nameB = find(after, namePath);
    const QString program = QStringLiteral("Program ") + number.text();
    if (!a && !b) {
        // A name without its program: no program's name, only a file.
        if (nameA != nameB && (!nameA || !nameB || *nameA != *nameB))
            out.append(fileWords(namePath)
                       + (!nameA       ? QStringLiteral(" added")
                              : !nameB ? QStringLiteral(" removed")
                                       : QStringLiteral(" changed")));
        return;
    }
    if (!a || !b) {
        out.append(wholeProgram(program, a ? nameA : nameB, a ? *a : *b, a ? "deleted" : "added"));
        return;
    }
    const QString oldName = nameA ? firstLine(*nameA) : QString();
    const QString newName = nameB ? firstLine(*nameB) : QString();
    if (oldName != newName)
        out.append(program + QStringLiteral(" renamed ") + quoted(oldName) + Arrow + quoted(newName));
    if (*a == *b)
        return;
    const std::optional<QList<ProgramEntry>> entriesA = programOf(*a);
    const std::optional<QList<ProgramEntry>> entriesB = programOf(*b);
    if (!entriesA || !entriesB)
        out.append(fileWords(programPath) + QStringLiteral(" changed (cannot be read as a program)"));
    else
        appendCapped(out, program + QStringLiteral(": "), entryChanges(*entriesA, *entriesB, unit));
}

// A track's command file: its one string, when it names a track.
std::optional<QString> commandOf(const QByteArray &bytes)
{
    if (bytes.size() > LineLimit || bytes.contains('\0'))
        return {};
    const QString line = firstLine(bytes);
    if (!readCommandTokens(line).namesTrack)
        return {};
    return line;
}

void commandFileChanges(const QByteArray &path, const QByteArray *a, const QByteArray *b, TimeUnit unit,
                        QStringList &out)
{
    const QString file = fileWords(path);
    const std::optional<QString> stringA = a ? commandOf(*a) : std::nullopt;
    const std::optional<QString> stringB = b ? commandOf(*b) : std::nullopt;
    if ((a && !stringA) || (b && !stringB)) {
        out.append(file
                   + (!a       ? QStringLiteral(" added")
                          : !b ? QStringLiteral(" removed")
                               : QStringLiteral(" changed"))
                   + QStringLiteral(" (cannot be read as a track's settings)"));
    } else if (!a || !b) {
        const QString summary = settingsWords(stringA ? *stringA : *stringB);
        out.append(file + (a ? QStringLiteral(" removed") : QStringLiteral(" added"))
                   + QStringLiteral(" (%1)").arg(summary.isEmpty() ? QStringLiteral("the usual settings") : summary));
    } else {
        appendCapped(out, file + QStringLiteral(": "), settingsChanges(*stringA, *stringB, unit));
    }
}

} // namespace

QStringList setupChanges(const SetupSnapshot &before, const SetupSnapshot &after, TimeUnit unit)
{
    QStringList out;
    const QByteArray prefix = encodeFileName(ProgramsFolderName) + '/';
    QSet<QByteArray> programFiles;
    for (const ProgramNumber number : ProgramNumber::all()) {
        programChanges(before, after, number, unit, out);
        programFiles.insert(prefix + encodeFileName(programFileName(number)));
        programFiles.insert(prefix + encodeFileName(programNameFileName(number)));
    }
    const QByteArray listing = prefix + encodeFileName(RootDirFileName);
    QByteArrayList paths = before.keys() + after.keys();
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    for (const QByteArray &path : std::as_const(paths)) {
        const QByteArray *a = find(before, path);
        const QByteArray *b = find(after, path);
        // The listing follows the tracks and is made anew by every write, never restored: no setup of its own.
        if (programFiles.contains(path) || path == listing || (a && b && *a == *b))
            continue;
        if (!path.contains('/') && path.endsWith(".adv"))
            commandFileChanges(path, a, b, unit, out);
        else
            out.append(fileWords(path)
                       + (!a       ? QStringLiteral(" added")
                              : !b ? QStringLiteral(" removed")
                                   : QStringLiteral(" changed")));
    }
    return out;
}

} // namespace Vexolo
