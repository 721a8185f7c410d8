#pragma once

#include "commands/tracksettings.h"

#include <QStringList>

namespace Vexolo {

inline constexpr qsizetype MaxCommandStringLength = 79;
inline constexpr int MaxCommands = 101;

// The time key of a command: the leading decimal number after the prefix (two characters for
// output commands, one for a pause), 0 when none; saturates at the 32-bit limits.
qint32 GetCommandTime(const QString &command);

// The encoder's command list, kept in ascending time-key order; equal keys keep insertion order.
class CommandList
{
public:
    void InsertCommand(const QString &command);
    void clear();
    int CommandCount() const;
    const QStringList &strCommands() const;

private:
    QStringList m_commands;
};

struct EncodedCommandString
{
    QString text;
    qsizetype length = 0; // in characters
    bool tooLong() const { return length > MaxCommandStringLength; }
};

EncodedCommandString encodeTrackSettings(const TrackSettings &settings);

} // namespace Vexolo
