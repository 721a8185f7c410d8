#include "copiedsettings.h"

#include "commands/commandencoder.h"
#include "commands/commandreader.h"
#include "platform/platformadapter.h"
#include "words/switchwords.h"

namespace Vexolo::Ui {

QStringList CopiedSettings::forTracks(const QStringList &trackNames, PlatformAdapter &platform) const
{
    Vexolo::TrackSettings settings;
    Vexolo::readCommandString(settings, m_commandString);
    QStringList commandStrings;
    commandStrings.reserve(trackNames.size());
    for (const QString &trackName : trackNames) {
        settings.trackName = trackName;
        const Vexolo::EncodedCommandString encoded = Vexolo::encodeTrackSettings(settings);
        if (encoded.tooLong()) {
            platform.tell(Vexolo::tooLongText(encoded));
            return {};
        }
        commandStrings.append(encoded.text);
    }
    return commandStrings;
}

} // namespace Vexolo::Ui
