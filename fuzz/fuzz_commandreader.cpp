#include "commands/commandencoder.h"
#include "commands/commandreader.h"
#include "commands/commandtokens.h"
#include "commands/switching.h"
#include "reports/cardcheck.h"
#include "storage/cardtext.h"

#include <algorithm>
#include <cstdlib>

// Any text read into the advanced settings form, then encoded again: no crash, and the form
// never holds more than its fields. The check finds all the timeline and the cue sheet find (a
// track's length aside): they read the string one way.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = Vexolo::decodeCardText(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    Vexolo::TrackSettings settings;
    Vexolo::readCommandString(settings, text);
    const Vexolo::EncodedCommandString encoded = Vexolo::encodeTrackSettings(settings);
    if (encoded.length < 0)
        std::abort();
    // Every token is the text it spans in the string.
    for (const Vexolo::CommandToken &token : Vexolo::readCommandTokens(text).tokens) {
        if (QStringView(text).mid(token.at, token.text.size()) != token.text)
            std::abort();
    }
    const QList<Vexolo::SwitchFinding> shown = Vexolo::planSwitching(settings, std::nullopt).findings;
    const Vexolo::Findings checked = Vexolo::checkCommandString(QStringLiteral("s"), text);
    for (const Vexolo::SwitchFinding &finding : shown) {
        const QString time = finding.lane == Vexolo::PauseLane ? settings.pauses[finding.column]
                                                               : settings.outputs[finding.lane][finding.column];
        if (std::none_of(checked.cbegin(), checked.cend(),
                         [&](const Vexolo::Finding &found) { return found.token.endsWith(time); }))
            std::abort();
    }
    return 0;
}
