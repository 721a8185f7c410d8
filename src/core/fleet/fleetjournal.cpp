#include "fleet/fleet.h"

#include "storage/cardsession.h"

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
        return QStringLiteral("apply of %1").arg(what.subject);
    case ChangeCause::Restore:
        return QStringLiteral("restore of %1").arg(what.subject);
    case ChangeCause::Other:
        break;
    }
    return what.subject;
}

QString afterText(const ChangeCause &what)
{
    return QStringLiteral("after ") + changeText(what);
}

QString versionWhen(const SetupVersion &version)
{
    return version.what.startsWith(QStringLiteral("after ")) ? version.what : QStringLiteral("before ") + version.what;
}

void FleetJournal::keep(const CardStore &store, const CardStore::Contents &contents, const QString &what)
{
    if (!contents.readable)
        return; // a card that cannot be read is not written either
    FleetRepository fleet(m_path);
    const QString id = fleet.isOpen() ? fleet.record(labelOf(store).key, snapshotOf(contents), what) : QString();
    const QString error = id.isEmpty() ? fleet.error() : QString();
    {
        const QMutexLocker locked(&m_guard); // cards are written from their own threads at once
        m_error = error;
    }
    if (error.isEmpty())
        return;
    qWarning("The card's setup could not be kept in the fleet's history: %s", qPrintable(error));
    // The card was written all the same; its views say that its history was not.
    CardSession::instance().tell(store.identity(), CardChange::historyNotKept(error));
}

QString FleetJournal::error() const
{
    const QMutexLocker locked(&m_guard);
    return m_error;
}

void FleetJournal::beforeChange(const CardStore &store, const ChangeCause &what)
{
    keep(store, store.readSetup(), changeText(what));
}

void FleetJournal::afterChange(const CardStore &store, const ChangeCause &what)
{
    // As the card itself holds it, not as the computer's memory of the write does.
    CardReads fromCard(store.ops());
    keep(store, CardStore({store.root(), store.identity(), {}, {}}, fromCard).readSetup(), afterText(what));
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
    // A restore's reference is its version already ("version 3fa2c9d0e1b4").
    QStringList what {line.reference};
    if (!line.version.isEmpty() && !line.reference.endsWith(line.version))
        what.append(QStringLiteral("version ") + line.version);
    what.removeAll(QString());
    what.append(QString::number(line.files) + (line.files == 1 ? QStringLiteral(" file") : QStringLiteral(" files")));
    what.append(QString::number(line.bytes) + (line.bytes == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes")));
    return QStringLiteral("%1  %2: %3 — %4")
        .arg(line.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")), who, line.result,
             what.join(QStringLiteral(", ")));
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
