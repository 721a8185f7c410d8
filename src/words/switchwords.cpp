#include "words/switchwords.h"

#include <cmath>

namespace Vexolo {

QString lengthText(TrackLength length)
{
    if (!length || *length < 0)
        return QStringLiteral("length unknown");
    const qint64 seconds = *length / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString unitName(TimeUnit unit)
{
    return unit == TimeUnit::Seconds ? QStringLiteral("seconds") : QStringLiteral("tenths of a second");
}

QString laneName(int lane)
{
    if (lane == TrackSettings::AllRow)
        return QStringLiteral("All outputs");
    if (lane == PauseLane)
        return QStringLiteral("Auto pause");
    return QStringLiteral("Output %1").arg(lane + 1);
}

namespace {

QString switchedText(int lane)
{
    return lane == TrackSettings::AllRow ? QStringLiteral("All outputs are switched")
                                         : laneName(lane) + QStringLiteral(" is switched");
}

} // namespace

QString notANumberText(const QString &field, qint32 time)
{
    // One arg() for both: a "%2" typed into the field must stay as typed.
    return QStringLiteral("\"%1\" is not a whole number: the device reads it as %2").arg(field, QString::number(time));
}

QString switchFindingText(const SwitchFinding &finding)
{
    switch (finding.kind) {
    case SwitchFinding::NotANumber:
        return notANumberText(finding.field, finding.time) + u'.';
    case SwitchFinding::PastEnd:
        return QStringLiteral("%1 is past the end of the track, which ends at %2.")
            .arg(finding.time)
            .arg(QString::number(std::round(finding.trackEnd * 10) / 10));
    case SwitchFinding::OffWithoutOn:
        return switchedText(finding.lane)
            + QStringLiteral(" off at %1 but nothing was switched on before it.").arg(finding.time);
    case SwitchFinding::OnAndOffTogether:
        return switchedText(finding.lane)
            + QStringLiteral(" on and off at the same time, %1: it ends %2.")
                  .arg(finding.time)
                  .arg(finding.endsOn ? QStringLiteral("on") : QStringLiteral("off"));
    case SwitchFinding::NeverOff:
        return switchedText(finding.lane) + QStringLiteral(" on at %1 and never switched off.").arg(finding.time);
    }
    return {};
}

QString tooLongText(const EncodedCommandString &encoded)
{
    return QStringLiteral("Too many times!\n") + QString::number(encoded.length)
        + QStringLiteral(" charachters out of 79!\n") + encoded.text;
}

} // namespace Vexolo
