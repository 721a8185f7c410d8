#include "commands/commandtokens.h"

#include "card/tracknames.h"
#include "commands/textnumber.h"
#include "storage/cardtext.h"

namespace Vexolo {

namespace {

// Letters are matched in either case, the one letter-case rule of the whole program.
bool isLetter(QChar c, char16_t upper)
{
    return c.toUpper() == QChar(upper);
}

bool isOneLetter(const QString &text, char16_t upper)
{
    return text.size() == 1 && isLetter(text[0], upper);
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

// The switch character and the time of an output's command.
void readSwitch(CommandToken &token)
{
    const QString rest = token.text.sliced(1);
    const QString op = firstCharacter(rest);
    token.value = withoutFirstCharacter(rest);
    token.time = Val(token.value);
    token.on = op == u"+";
    token.switchTaken = token.on || op == u"-";
    if (token.output > 1) {
        token.row = token.output - 1;
    } else if (token.switchTaken) {
        token.row = 0;
    } else if (isOneLetter(op, u'A') || isOneLetter(op, u'X')) {
        token.row = TrackSettings::AllRow;
        token.on = isOneLetter(op, u'A');
        token.switchTaken = true;
    }
}

} // namespace

CommandToken readCommandToken(const QString &text)
{
    CommandToken token;
    token.text = text;
    if (text.isEmpty())
        return token;
    const QChar first = text[0];
    if (isLetter(first, u'P')) {
        token.kind = CommandToken::Kind::Pause;
        token.value = text.sliced(1);
        token.time = Val(token.value);
    } else if (isLetter(first, u'V')) {
        token.kind = CommandToken::Kind::Volume;
        token.value = lastCharacter(text); // so "V10" sets "0"
    } else if (first >= u'0' && first <= u'9') {
        token.output = first.unicode() - u'0';
        token.kind = token.output >= 1 && token.output <= TrackSettings::AllRow ? CommandToken::Kind::Switch
                                                                                : CommandToken::Kind::NoOutput;
        if (token.kind == CommandToken::Kind::Switch)
            readSwitch(token);
    }
    return token;
}

CommandReading readCommandTokens(const QString &commandString)
{
    CommandReading reading;
    const QString text = commandString.trimmed();
    reading.namesTrack = indexOfMp3(text) >= 0;
    reading.name = reading.namesTrack ? upToFirstMp3(text) : leftCharacters(text, 3);
    reading.endsAtMp3 = text.endsWith(Mp3Extension, NameCase);
    if (reading.endsAtMp3)
        return reading;
    const QString remainder = text.sliced(reading.name.size());
    reading.mode = firstCharacter(remainder);
    for (const ModeCharacter &mode : ModeCharacters) {
        if (reading.mode == QStringView(&mode.character, 1))
            reading.modeCharacter = &mode;
    }
    // Positions instead of copies: a hostile string of a million blanks stays linear.
    const QStringView commands = QStringView(remainder).sliced(reading.mode.size()).trimmed();
    const qsizetype start = (QStringView(commandString).trimmed().data() - commandString.data()) + reading.name.size()
        + (commands.data() - remainder.data());
    for (qsizetype at = 0; at < commands.size();) {
        const qsizetype blank = commands.indexOf(u' ', at);
        if (blank == at) {
            reading.unread = commands.sliced(at).trimmed().toString();
            break;
        }
        reading.tokens.append(
            readCommandToken((blank < 0 ? commands.sliced(at) : commands.sliced(at, blank - at)).toString()));
        reading.tokens.back().at = start + at;
        at = blank < 0 ? commands.size() : blank + 1;
    }
    return reading;
}

} // namespace Vexolo
