#pragma once

#include <QString>

#include <array>

namespace Vexolo {

enum class FadeOption { None, Norm, Fade1, Fade2 };

// The values of the advanced settings window that the encoder reads and the reader fills.
struct TrackSettings
{
    static constexpr int Columns = 10;   // even columns hold On times, odd columns Off times
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

} // namespace Vexolo
