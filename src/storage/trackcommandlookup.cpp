#include "storage/trackcommandlookup.h"

#include "storage/cardfiles.h"

#include <QFile>
#include <QFileInfo>

namespace Vexolo {

namespace {

// Reads up to the first line end only: a stray huge file must not be loaded whole.
bool readFirstLine(QFile &file, QByteArray *line)
{
    constexpr qint64 Chunk = 4096;
    line->clear();
    for (;;) {
        const QByteArray chunk = file.read(Chunk);
        if (chunk.isEmpty() && file.error() != QFileDevice::NoError)
            return false;
        const qsizetype end = [&chunk] {
            const qsizetype cr = chunk.indexOf('\r');
            const qsizetype lf = chunk.indexOf('\n');
            return cr < 0 ? lf : (lf < 0 ? cr : qMin(cr, lf));
        }();
        if (end >= 0) {
            line->append(chunk.left(end));
            return true;
        }
        line->append(chunk);
        if (chunk.size() < Chunk)
            return file.error() == QFileDevice::NoError;
    }
}

} // namespace

TrackCommandLookup lookupTrackCommand(const QString &cardRoot, const QString &trackName)
{
    TrackCommandLookup result;
    result.commandString = defaultCommandString(trackName);
    result.fileName = trackCommandFileName(trackName);
    // A name with a folder separator could reach outside the card root, and one with a NUL would
    // name another file: no track command file belongs to either.
    const bool unsafe = trackName.contains(u'/') || trackName.contains(u'\\') || trackName.contains(QChar(0));
    if (cardRoot.isEmpty() || result.fileName.isEmpty() || unsafe)
        return result;

    QFile file(cardRoot + u'/' + result.fileName);
    if (!QFileInfo::exists(file.fileName()))
        return result;
    QByteArray line;
    if (!file.open(QIODevice::ReadOnly) || !readFirstLine(file, &line)) {
        result.readFailed = true;
        return result;
    }
    result.commandString = readSingleValue(line);
    return result;
}

} // namespace Vexolo
