#pragma once

#include <QString>

#include <array>

namespace Vexolo {

enum class FadeOption { None, Norm, Fade1, Fade2 };

// The values of the advanced settings window that the encoder reads and the reader fills.
struct TrackSettings
{
    static constexpr int Columns = 10; // even columns hold On times, odd columns Off times
    static constexpr int OutputRows = 9; // rows 0..7 are outputs 1..8, row 8 is all outputs
    static constexpr int AllRow = 8;

    QString trackName;
    FadeOption fade = FadeOption::None;
    bool playNext = false;
    QString volume = QStringLiteral("7");
    std::array<QString, Columns> pauses;
    std::array<std::array<QString, Columns>, OutputRows> outputs;

    friend bool operator==(const TrackSettings &, const TrackSettings &) = default;
};

// The mode character written after the track name for each fade option and play-next tick; the
// reader maps it back with the same table.
struct ModeCharacter
{
    char16_t character;
    FadeOption fade;
    bool playNext;
};
inline constexpr ModeCharacter ModeCharacters[] = {
    {u' ', FadeOption::Norm, false}, {u'1', FadeOption::Fade1, false}, {u'2', FadeOption::Fade2, false},
    {u'5', FadeOption::Norm, true},  {u'6', FadeOption::Fade1, true},  {u'7', FadeOption::Fade2, true},
};

// Operators of the output commands by column: even columns switch on, odd columns switch off.
inline QString strOperator(int column)
{
    return column % 2 == 0 ? QStringLiteral("+") : QStringLiteral("-");
}
inline QString strAllOperator(int column)
{
    return column % 2 == 0 ? QStringLiteral("A") : QStringLiteral("X");
}

} // namespace Vexolo
