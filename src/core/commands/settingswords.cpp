#include "commands/settingswords.h"

#include "commands/commandreader.h"

namespace Vexolo {

QString fadeWords(FadeOption fade)
{
    switch (fade) {
    case FadeOption::Norm:
        return QStringLiteral("Remote: fade and cue the next track");
    case FadeOption::Fade1:
        return QStringLiteral("Remote: fade, cue and play the next track");
    case FadeOption::Fade2:
        return QStringLiteral("Remote: cue and play the next track without fading");
    case FadeOption::None:
        break;
    }
    return QStringLiteral("Remote: no fade option");
}

QString settingsWords(const QString &commandString)
{
    TrackSettings settings;
    readCommandString(settings, commandString);
    TrackSettings usual;
    usual.trackName = settings.trackName;
    usual.fade = FadeOption::Norm;
    if (settings == usual)
        return {};
    int pauses = 0;
    int switches = 0;
    for (int column = 0; column < TrackSettings::Columns; ++column) {
        pauses += !settings.pauses[column].isEmpty();
        for (const auto &row : settings.outputs)
            switches += !row[column].isEmpty();
    }
    const auto counted = [](int n, const char *one, const char *many) {
        return QString::number(n) + u' ' + QLatin1StringView(n == 1 ? one : many);
    };
    QStringList words {QStringLiteral("Volume ") + settings.volume, fadeWords(settings.fade)};
    if (settings.playNext)
        words.append(QStringLiteral("plays the next by itself"));
    if (pauses > 0)
        words.append(counted(pauses, "auto pause", "auto pauses"));
    if (switches > 0)
        words.append(counted(switches, "output switch", "output switches"));
    return words.join(QStringLiteral(" \u00b7 "));
}

} // namespace Vexolo
