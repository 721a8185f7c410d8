#pragma once

#include "fleet/cardlabel.h"
#include "fleet/fleetrepository.h"
#include "reports/cardsetup.h"
#include "reports/findings.h"

#include <QHash>
#include <QMutex>

#include <functional>

// The fleet's work on cards, the same for the window and the command line: the history kept before every write,
// restoring a version, and making a card match a reference, each verified and logged.
namespace Vexolo {

// The words of a piece of work, as the history lists it ("Save program 1", "apply of /media/ref").
QString changeText(const ChangeCause &what);
// The words of the version kept once it is done: "after Save program 1", "after apply of /media/ref".
QString afterText(const ChangeCause &what);
// When a version was kept, as the history lists it: "before Save program 1", "after restore of 3fa2c9d0e1b4".
QString versionWhen(const SetupVersion &version);

// Records each card's setup in the fleet repository before a store writes to it, and as it reads back after.
class FleetJournal final : public SetupJournal
{
public:
    explicit FleetJournal(QString repositoryPath = FleetRepository::defaultPath());
    void beforeChange(const CardStore &store, const ChangeCause &what) override;
    void afterChange(const CardStore &store, const ChangeCause &what) override;
    // Why the last recording failed; empty when it did not. A card is written all the same: the history must
    // never keep a user from saving.
    QString error() const;

private:
    void keep(const CardStore &store, const CardStore::Contents &contents, const QString &what);

    QString m_path;
    mutable QMutex m_guard;
    QString m_error;
};

// The card's label, asked of the disk service once per card while the program runs.
CardLabel labelOf(const CardStore &store);

// What a restore or an apply did, or would do on a dry run.
struct FleetResult
{
    Findings refusal; // nothing was written
    QStringList actions; // one line per file copied, written or removed (or that would be)
    Findings notes; // what is left alone and said
    Findings problems; // what failed or did not read back the same; none when verified
    qint64 files = 0;
    qint64 bytes = 0;
    bool cancelled = false;
    QString version; // the reference's version (apply); empty on a dry run that did not read every track it would copy
    FleetChange logged {FleetChange::Part::Log, {}}; // the log line, written or failed with its cause
    bool verified() const { return refusal.isEmpty() && problems.isEmpty() && !cancelled; }
};

// Makes the card's setup files what the version recorded: files that differ are written, setup files the
// version lacks are removed, the listing is written anew; then read back. Recorded first, and logged.
FleetResult restoreVersion(FleetRepository &fleet, CardStore &card, const QString &id, bool dryRun);

// Makes card match reference: its tracks missing or different (by size, then content) are copied, the programs,
// names and command files are written as copy-setup writes them; the card's files the reference lacks are left
// alone and reported. Everything written is read back (tracks by their content's hash) before it counts as
// verified. Recorded first, and logged. keepGoing is asked between pieces of work: false stops there.
FleetResult applyReference(FleetRepository &fleet, const CardStore &reference, CardStore &card, bool dryRun,
                           const Progress &progress = {}, const std::function<bool()> &keepGoing = {});

// A recorded setup as a card's contents, beside the tracks given, for comparing it with a card.
CardStore::Contents contentsOf(const SetupSnapshot &files, const QStringList &tracks);

// The text of a log line, as the log command and the Fleet window show it.
QString logText(const LogLine &line);
QByteArray logJson(const QList<LogLine> &lines);

} // namespace Vexolo
