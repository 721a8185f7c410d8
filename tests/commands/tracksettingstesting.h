#pragma once

#include "commands/tracksettings.h"

#include <QMetaType>
#include <QStringList>
#include <QTest>

#include <initializer_list>

// Test helpers for TrackSettings: a readable print for QCOMPARE and a short way to fill fields.
namespace Vexolo {

inline char *toString(const TrackSettings &settings)
{
    static const char *const fades[] = { "none", "norm", "fade1", "fade2" };
    QStringList parts { "name=\"" + settings.trackName + '"', QString::fromLatin1(fades[int(settings.fade)]),
                        settings.playNext ? "playNext" : "-", "vol=\"" + settings.volume + '"' };
    for (int i = 0; i < TrackSettings::Columns; ++i) {
        if (!settings.pauses[i].isEmpty())
            parts << QStringLiteral("P(%1)=\"%2\"").arg(i).arg(settings.pauses[i]);
    }
    for (int row = 0; row < TrackSettings::OutputRows; ++row) {
        for (int i = 0; i < TrackSettings::Columns; ++i) {
            if (!settings.outputs[row][i].isEmpty()) {
                const QString name = row == TrackSettings::AllRow ? QStringLiteral("All") : QString::number(row + 1);
                parts << QStringLiteral("Out%1(%2)=\"%3\"").arg(name).arg(i).arg(settings.outputs[row][i]);
            }
        }
    }
    return QTest::toString(parts.join(u' '));
}

} // namespace Vexolo

Q_DECLARE_METATYPE(Vexolo::TrackSettings)

// One field of the form: row 0 is the pause row, rows 1..8 the outputs, row 9 all outputs.
struct Field
{
    int row;
    int column;
    QString time;
};
inline constexpr int PauseRow = 0;
inline constexpr int AllOutputsRow = 9;

inline Vexolo::TrackSettings makeSettings(const QString &name, Vexolo::FadeOption fade, bool playNext,
                                          const QString &volume, std::initializer_list<Field> fields = {})
{
    Vexolo::TrackSettings settings;
    settings.trackName = name;
    settings.fade = fade;
    settings.playNext = playNext;
    settings.volume = volume;
    for (const Field &field : fields) {
        if (field.row == PauseRow)
            settings.pauses[field.column] = field.time;
        else
            settings.outputs[field.row - 1][field.column] = field.time;
    }
    return settings;
}
