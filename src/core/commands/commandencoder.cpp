#include "commands/commandencoder.h"

#include "commands/commandtokens.h"
#include "storage/cardtext.h"

namespace Vexolo {

namespace {

// No fade option selected: no mode character at all.
QString modeCharacter(FadeOption fade, bool playNext)
{
    for (const ModeCharacter &mode : ModeCharacters) {
        if (mode.fade == fade && mode.playNext == playNext)
            return QString(QChar(mode.character));
    }
    return {};
}

} // namespace

qint32 GetCommandTime(const QString &command)
{
    return readCommandToken(command).time;
}

void CommandList::InsertCommand(const QString &command)
{
    // One encoding makes at most 100 commands; the list never needs more room than that.
    Q_ASSERT(m_commands.size() < MaxCommands);
    if (m_commands.size() >= MaxCommands)
        return;
    const qint32 key = GetCommandTime(command);
    qsizetype at = 0;
    // Strictly greater: a command goes after every one with an equal key, so production order holds.
    while (at < m_commands.size() && GetCommandTime(m_commands[at]) <= key)
        ++at;
    m_commands.insert(at, command);
}

void CommandList::clear()
{
    m_commands.clear();
}

int CommandList::CommandCount() const
{
    return int(m_commands.size());
}

const QStringList &CommandList::strCommands() const
{
    return m_commands;
}

EncodedCommandString encodeTrackSettings(const TrackSettings &settings)
{
    QString text = settings.trackName.trimmed() + modeCharacter(settings.fade, settings.playNext) + QStringLiteral("V")
        + settings.volume;

    CommandList list;
    for (int i = 0; i < TrackSettings::Columns; ++i) {
        if (!settings.pauses[i].isEmpty())
            list.InsertCommand(QStringLiteral("P") + settings.pauses[i]);
        for (int row = 0; row < TrackSettings::AllRow; ++row) {
            const QString &time = settings.outputs[row][i];
            if (!time.isEmpty())
                list.InsertCommand(QString::number(row + 1) + strOperator(i) + time);
        }
        const QString &all = settings.outputs[TrackSettings::AllRow][i];
        if (!all.isEmpty())
            list.InsertCommand(QStringLiteral("1") + strAllOperator(i) + all);
    }
    for (const QString &command : list.strCommands())
        text += u' ' + command;

    const qsizetype length = characterCount(text);
    return {std::move(text), length};
}

} // namespace Vexolo
