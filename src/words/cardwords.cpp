#include "cardwords.h"

#include <QDir>
#include <QLocale>

namespace Vexolo {

QString sizeText(qint64 bytes)
{
    if (bytes < 1000)
        return QStringLiteral("%1 bytes").arg(bytes);
    static constexpr const char16_t *Units[] = {u"kB", u"MB", u"GB", u"TB", u"PB"};
    double value = double(bytes) / 1000;
    int unit = 0;
    while (value >= 999.5 && unit < 4) {
        value /= 1000;
        ++unit;
    }
    // One decimal where it tells something: "1.9 GB", but "64 MB" and "128 GB".
    const int decimals = value < 9.95 ? 1 : 0;
    return QLocale::c().toString(value, 'f', decimals) + u' ' + QString::fromUtf16(Units[unit]);
}

QString cardText(const QString &root, const QString &label, const QString &player)
{
    QString card = label;
    if (card.isEmpty())
        card = QDir(root).dirName().isEmpty() ? QDir::toNativeSeparators(root) : QDir(root).dirName();
    return player.isEmpty() ? card : card + QStringLiteral(" · ") + player;
}

QString volumeText(const QString &root, const QString &label, qint64 bytes)
{
    QStringList parts;
    if (!label.isEmpty())
        parts.append(label);
    if (bytes >= 0)
        parts.append(sizeText(bytes));
    parts.append(QDir::toNativeSeparators(root));
    return parts.join(QStringLiteral(" — "));
}

QString writtenText(const CardChange &change, const QString &card)
{
    switch (change.kind) {
    case CardChange::TrackCommandWritten:
        return QStringLiteral("Settings of %1 saved on %2").arg(change.track, card);
    case CardChange::Finished:
        break;
    default:
        return {};
    }
    const QString &subject = change.cause.subject;
    switch (change.cause.kind) {
    case ChangeCause::Save:
        return QStringLiteral("Program %1 saved on %2").arg(subject, card);
    case ChangeCause::Delete:
        return QStringLiteral("Program %1 deleted from %2").arg(subject, card);
    case ChangeCause::TracksCopiedIn:
        return change.entries == 1 ? QStringLiteral("1 track copied onto %1").arg(card)
                                   : QStringLiteral("%1 tracks copied onto %2").arg(change.entries).arg(card);
    case ChangeCause::Apply:
        return QStringLiteral("Reference %1 applied to %2").arg(QDir(subject).dirName(), card);
    case ChangeCause::Restore:
        return QStringLiteral("Version %1 restored on %2").arg(subject, card);
    case ChangeCause::CopySetup:
        return QStringLiteral("Setup copied onto %1").arg(card);
    default:
        return QStringLiteral("%1 written").arg(card);
    }
}

} // namespace Vexolo
