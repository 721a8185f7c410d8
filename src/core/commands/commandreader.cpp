#include "commands/commandreader.h"

#include "card/tracknames.h"
#include "storage/cardtext.h"

namespace Vexolo {

namespace {

using Fields = std::array<QString, TrackSettings::Columns>;

// On times stand in the even columns, Off times in the odd ones.
constexpr int OnColumns = 0;
constexpr int OffColumns = 1;

// Letters are matched in either case, the one letter-case rule of the whole program.
bool isLetter(QChar c, char16_t upper)
{
    return c.toUpper() == QChar(upper);
}

bool isDecimalDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// First and last character and the rest; a character outside the BMP counts as one, so a
// surrogate pair is never split into two broken halves.
QString firstCharacter(const QString &text)
{
    return text.isEmpty() ? QString() : text.first(characterSizeAt(text, 0));
}

QString withoutFirstCharacter(const QString &text)
{
    return text.sliced(firstCharacter(text).size());
}

QString lastCharacter(const QString &text)
{
    const qsizetype n = text.size();
    const bool pair = n >= 2 && text[n - 1].isLowSurrogate() && text[n - 2].isHighSurrogate();
    return text.right(pair ? 2 : 1);
}

// The time goes into the first empty field of the On or Off columns; when all five are filled it is dropped.
void placeTime(Fields &fields, int firstColumn, const QString &time)
{
    for (int i = firstColumn; i < TrackSettings::Columns; i += 2) {
        if (fields[i].isEmpty()) {
            fields[i] = time;
            return;
        }
    }
}

void applyModeCharacter(TrackSettings &settings, const QString &mode)
{
    if (mode.size() != 1)
        return;
    for (const ModeCharacter &entry : ModeCharacters) {
        if (mode[0] == entry.character) {
            settings.fade = entry.fade;
            settings.playNext = entry.playNext;
            return;
        }
    }
    // Any other character leaves the fade option and play next as they were.
}

} // namespace

void ClearForm(TrackSettings &settings)
{
    settings.pauses.fill(QString());
    for (Fields &row : settings.outputs)
        row.fill(QString());
    settings.volume = QStringLiteral("7");
}

void DisplaySetting(TrackSettings &settings, const QString &token)
{
    if (token.isEmpty())
        return;
    const QChar first = token[0];
    if (isLetter(first, u'P'))
        AddPause(settings, withoutFirstCharacter(token));
    if (isLetter(first, u'V'))
        settings.volume = lastCharacter(token); // so "V10" sets "0"
    if (isDecimalDigit(first))
        AddOutput(settings, first, withoutFirstCharacter(token));
}

void AddPause(TrackSettings &settings, const QString &time)
{
    for (QString &field : settings.pauses) {
        if (field.isEmpty()) {
            field = time;
            return;
        }
    }
}

void AddOutput(TrackSettings &settings, QChar digit, const QString &rest)
{
    if (!isDecimalDigit(digit))
        return;
    const int output = digit.unicode() - u'0';
    if (output >= 1 && output <= TrackSettings::AllRow)
        AddOutputN(settings, output, rest);
}

void AddOutputN(TrackSettings &settings, int output, const QString &rest)
{
    if (output < 1 || output > TrackSettings::AllRow)
        return;
    const QString op = firstCharacter(rest);
    const QString time = withoutFirstCharacter(rest);
    const bool on = op == u'+';
    if (output > 1) {
        // Outputs 2 to 8 take every operator but "+" as Off, an empty one included.
        placeTime(settings.outputs[output - 1], on ? OnColumns : OffColumns, time);
        return;
    }
    Fields &one = settings.outputs[0];
    Fields &all = settings.outputs[TrackSettings::AllRow];
    if (on)
        placeTime(one, OnColumns, time);
    else if (op == u'-')
        placeTime(one, OffColumns, time);
    else if (op.size() == 1 && isLetter(op[0], u'A'))
        placeTime(all, OnColumns, time);
    else if (op.size() == 1 && isLetter(op[0], u'X'))
        placeTime(all, OffColumns, time);
}

bool readCommandString(TrackSettings &settings, const QString &commandString)
{
    const QString text = commandString.trimmed();
    ClearForm(settings);

    // A string without ".mp3" (none of the program's writers make one) gives its first three
    // characters as the name and is read on from the fourth.
    const bool hasMp3 = indexOfMp3(text) >= 0;
    settings.trackName = hasMp3 ? upToFirstMp3(text) : leftCharacters(text, 3);
    const bool nameFound = !settings.trackName.isEmpty();
    if (text.endsWith(Mp3Extension, NameCase))
        return nameFound;

    const QString remainder = text.sliced(settings.trackName.size());
    const QString mode = firstCharacter(remainder);
    applyModeCharacter(settings, mode);

    // Positions instead of copies: a hostile string of a million blanks stays linear.
    const QString commands = remainder.sliced(mode.size()).trimmed();
    qsizetype at = 0;
    while (at < commands.size()) {
        const qsizetype blank = commands.indexOf(u' ', at);
        if (blank < 0) {
            DisplaySetting(settings, commands.sliced(at));
            break;
        }
        DisplaySetting(settings, commands.sliced(at, blank - at));
        // Two blanks in a row end the reading: the rest is not read.
        if (blank == at)
            break;
        at = blank + 1;
    }
    return nameFound;
}

} // namespace Vexolo
