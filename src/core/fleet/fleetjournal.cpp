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

void FleetJournal::beforeChange(const CardStore &store, const QString &what)
{
    const CardStore::Contents contents = store.readSetup();
    if (!contents.readable)
        return; // a card that cannot be read is not written either
    FleetRepository fleet(m_path);
    const QString id = fleet.isOpen() ? fleet.record(labelOf(store).key, snapshotOf(contents), what) : QString();
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
