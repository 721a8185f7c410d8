#include "fleet/fleet.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>

// The fleet's history kept before every write, the cards' labels, and the log's words.

namespace Vexolo {

namespace {

QString keyOfIdentity(const CardIdentity &identity)
{
    return QStringLiteral("%1:%2:%3").arg(identity.mount).arg(identity.device).arg(identity.inode);
}

} // namespace

FleetJournal::FleetJournal(QString repositoryPath)
    : m_path(std::move(repositoryPath))
{
}

QString changeText(const ChangeCause &what)
{
    switch (what.kind) {
    case ChangeCause::Save:
        return QStringLiteral("Save program %1").arg(what.subject);
    case ChangeCause::Delete:
        return QStringLiteral("Delete program %1").arg(what.subject);
    case ChangeCause::TrackSettings:
        return QStringLiteral("settings of %1").arg(what.subject);
    case ChangeCause::TracksCopiedIn:
        return QStringLiteral("tracks copied in");
    case ChangeCause::Listing:
        return QStringLiteral("listing");
    case ChangeCause::SetupFiles:
        return QStringLiteral("setup files");
    case ChangeCause::SetupFilesRemoved:
        return QStringLiteral("setup files removed");
    case ChangeCause::CommandFileRemoved:
        return QStringLiteral("command file %1 removed").arg(what.subject);
    case ChangeCause::Repair:
        return QStringLiteral("repair of %1").arg(what.subject);
    case ChangeCause::RepairAll:
        return QStringLiteral("Repair All");
    case ChangeCause::CopySetup:
        return QStringLiteral("copy-setup");
    case ChangeCause::Apply:
        return QStringLiteral("apply %1").arg(what.subject);
    case ChangeCause::Restore:
        return QStringLiteral("restore %1").arg(what.subject);
    case ChangeCause::Other:
        break;
    }
    return what.subject;
}

void FleetJournal::beforeChange(const CardStore &store, const ChangeCause &what)
{
    const CardStore::Contents contents = store.readSetup();
    if (!contents.readable)
        return; // a card that cannot be read is not written either
    FleetRepository fleet(m_path);
    const QString id
        = fleet.isOpen() ? fleet.record(labelOf(store).key, snapshotOf(contents), changeText(what)) : QString();
    m_error = id.isEmpty() ? fleet.error() : QString();
    if (!m_error.isEmpty())
        qWarning("The card's setup could not be kept in the fleet's history: %s", qPrintable(m_error));
}

CardLabel labelOf(const CardStore &store)
{
    static QMutex guard; // asked from a thread of its own too, so a dead card keeps no window waiting
    static QHash<QString, CardLabel> known;
    const QMutexLocker locked(&guard);
    // The folder too: a folder made where another was may get its inode.
    const QString identity = keyOfIdentity(store.identity()) + u'/' + store.root();
    const auto found = known.constFind(identity);
    if (found != known.cend())
        return *found;
    const CardLabel label = identifyCard(store.root());
    known.insert(identity, label);
    return label;
}

QString logText(const LogLine &line)
{
    const QString who = line.player.isEmpty() ? line.card : QStringLiteral("%1 (%2)").arg(line.player, line.card);
    return QStringLiteral("%1  %2: %3 — %4 %5, %6 files, %7 bytes")
        .arg(line.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")), who, line.result, line.reference,
             line.version)
        .arg(line.files)
        .arg(line.bytes);
}

QByteArray logJson(const QList<LogLine> &lines)
{
    QJsonArray array;
    for (const LogLine &line : lines)
        array.append(QJsonObject {{QStringLiteral("time"), line.time.toUTC().toString(Qt::ISODate)},
                                  {QStringLiteral("player"), line.player},
                                  {QStringLiteral("card"), line.card},
                                  {QStringLiteral("reference"), line.reference},
                                  {QStringLiteral("version"), line.version},
                                  {QStringLiteral("files"), line.files},
                                  {QStringLiteral("bytes"), line.bytes},
                                  {QStringLiteral("result"), line.result}});
    return QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace Vexolo
