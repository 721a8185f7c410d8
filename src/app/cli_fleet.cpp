#include "cli_fleet.h"

#include "commandline.h"

#include "reports/cardcheck.h"
#include "reports/cardsetup.h"
#include "widgets/noticetext.h"
#include "words/findingwords.h"

#include <QDir>
#include <QTextStream>

using namespace Vexolo;
using CommandLine::Arguments;
using CommandLine::chooseCard;
using CommandLine::onlyOption;
using CommandLine::split;
using CommandLine::usage;

namespace {

constexpr int Done = CommandLine::ExitSuccess;
constexpr int Found = CommandLine::ExitFindings;
constexpr int Unusable = CommandLine::ExitUsage;

// Both cards of a comparison or a copy, each read once; false (and said which) when one cannot be.
bool readBoth(const CardStore &a, const CardStore &b, const Arguments &arguments, CardStore::Contents &contentsA,
              CardStore::Contents &contentsB, QTextStream &err)
{
    contentsA = a.readContents();
    contentsB = b.readContents();
    if (contentsA.readable && contentsB.readable)
        return true;
    err << arguments.cards[contentsA.readable ? 1 : 0] << QStringLiteral(": the card cannot be read\n");
    return false;
}

int report(const Findings &findings, bool json, QTextStream &out)
{
    if (json)
        out << QString::fromUtf8(findingsJson(findings));
    else
        out << findingsText(findings);
    return findings.isEmpty() ? Done : Found;
}

// Where a repair was made: the file of the first finding it mends.
QString repairPlace(const Findings &findings, const Repair &repair)
{
    for (const Finding &finding : findings) {
        if (finding.repair == repair)
            return finding.place;
    }
    return repair.target;
}

int check(const Arguments &arguments, QTextStream &out, QTextStream &err)
{
    QStringList options = arguments.options;
    const bool json = options.removeAll(QStringLiteral("--json")) > 0;
    const bool repair = options.removeAll(QStringLiteral("--repair")) > 0;
    if (arguments.cards.size() != 1 || !options.isEmpty())
        return usage(u"check", err);
    CardStore store;
    if (!chooseCard(store, arguments.cards[0], err))
        return Unusable;
    CardCheck checked = checkCard(store);
    if (checked.readable && repair && !certainRepairs(checked.findings).isEmpty()) {
        // Every certain repair, each said once made, then the card as it is afterwards: what is left is reported.
        QList<Repair> made;
        for (const Notice &notice : repairAll(store, checked.findings, &made))
            err << Ui::noticeText(notice) << u'\n';
        for (const Repair &done : std::as_const(made))
            out << QStringLiteral("Repaired: %1: %2\n").arg(repairPlace(checked.findings, done), repairDoneWords(done));
        checked = checkCard(store);
    }
    if (!checked.readable) {
        err << arguments.cards[0] << QStringLiteral(": the card cannot be read\n");
        return Unusable;
    }
    return report(checked.findings, json, out);
}

int compare(const Arguments &arguments, QTextStream &out, QTextStream &err)
{
    bool json = false;
    if (arguments.cards.size() != 2 || !onlyOption(arguments, QStringLiteral("--json"), json))
        return usage(u"compare", err);
    CardStore a;
    CardStore b;
    if (!chooseCard(a, arguments.cards[0], err) || !chooseCard(b, arguments.cards[1], err))
        return Unusable;
    CardStore::Contents contentsA;
    CardStore::Contents contentsB;
    if (!readBoth(a, b, arguments, contentsA, contentsB, err))
        return Unusable;
    return report(compareSetups(contentsA, contentsB), json, out);
}

int copySetupCommand(const Arguments &arguments, QTextStream &out, QTextStream &err)
{
    bool dryRun = false;
    if (arguments.cards.size() != 2 || !onlyOption(arguments, QStringLiteral("--dry-run"), dryRun))
        return usage(u"copy-setup", err);
    CardStore from;
    CardStore to;
    if (!chooseCard(from, arguments.cards[0], err) || !chooseCard(to, arguments.cards[1], err))
        return Unusable;
    if (cardsOverlap(from, to)) {
        err << QStringLiteral("FROM and TO are the same card, or one lies inside the other: nothing to copy\n");
        return Found;
    }
    CardStore::Contents source;
    CardStore::Contents target;
    if (!readBoth(from, to, arguments, source, target, err))
        return Unusable;
    const CopyPlan plan = planCopy(source, target);
    for (const Finding &finding : plan.notes + plan.refusal)
        err << findingLine(finding) << u'\n';
    if (!plan.refusal.isEmpty())
        return Found;
    if (dryRun) {
        for (const CardStore::FileWrite &write : plan.writes)
            out << pathOf(write) << QStringLiteral(": would be written\n");
        if (plan.listing)
            out << QStringLiteral("Programs/RootDir.txt: would be written anew\n");
        out << QStringLiteral("%1 files would be written; nothing was written.\n").arg(plan.writes.size());
        return Done;
    }
    const Findings problems = copySetup(to, plan);
    for (const Finding &problem : problems)
        err << findingLine(problem) << u'\n';
    QStringList failed;
    for (const Finding &problem : problems)
        failed.append(problem.place);
    for (const CardStore::FileWrite &write : plan.writes) {
        if (!failed.contains(pathOf(write)))
            out << pathOf(write) << QStringLiteral(": written\n");
    }
    if (!problems.isEmpty())
        return Found;
    out << QStringLiteral("%1 files written; the copy reads back the same.\n").arg(plan.writes.size());
    return Done;
}

} // namespace

int runCheck(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    return check(split(arguments), out, err);
}

int runCompare(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    return compare(split(arguments), out, err);
}

int runCopySetup(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    return copySetupCommand(split(arguments), out, err);
}
