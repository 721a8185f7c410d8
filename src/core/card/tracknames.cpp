#include "card/tracknames.h"

#include "storage/cardtext.h"

#include <algorithm>

namespace Vexolo {

qsizetype indexOfMp3(const QString &text)
{
    return text.indexOf(Mp3Extension, 0, NameCase);
}

bool isTrackName(const QString &name)
{
    // A control character cannot be written into a record, and the device's cards cannot hold one.
    return name.endsWith(Mp3Extension, NameCase)
        && std::none_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

QString ExtractFilename(const QString &trackName)
{
    const qsizetype at = indexOfMp3(trackName);
    return at < 0 ? QString() : trackName.left(at);
}

QString upToFirstMp3(const QString &text)
{
    const qsizetype at = indexOfMp3(text);
    return at < 0 ? QString() : text.left(at + Mp3Extension.size());
}

QString shownName(const QString &trackName)
{
    QString shown = trackName;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        // The second half of a real surrogate pair is a character, not a byte.
        if (escapedByte(shown[i]) != 0 && (i == 0 || !shown[i - 1].isHighSurrogate()))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

bool sortsAfter(const QString &a, const QString &b)
{
    return QString::compare(a, b, NameCase) > 0;
}

QStringList sortTracks(QStringList names)
{
    names.removeIf([](const QString &name) { return !isTrackName(name); });
    // A stable sort gives exactly what inserting each name before the first row that sorts
    // strictly after it gives, without the quadratic cost on a big card.
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return sortsAfter(b, a); });
    return names;
}

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(u'/')
        && !name.contains(u'\\') && !name.contains(QChar(0));
}

} // namespace Vexolo
