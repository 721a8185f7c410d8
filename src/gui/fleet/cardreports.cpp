#include "fleetwindows.h"
#include "words/findingwords.h"

#include "fleet/findingswindow.h"
#include "platform/platformadapter.h"
#include "reports/cardcheck.h"
#include "reports/cardsetup.h"
#include "widgets/cardcalls.h"
#include "widgets/noticetext.h"

#include <QDir>
#include <QPushButton>

#include <atomic>
#include <memory>

// Check Card, Compare and Copy Setup: each window reads and writes through calls of its own on the card's worker,
// shows "Reading…" until their results come, and closes when the user forgets a card that does not answer.

namespace Vexolo::Ui {

namespace {

void showNotices(PlatformAdapter &platform, const Notices &notices)
{
    for (const Notice &notice : notices)
        platform.MsgBox(noticeText(notice),
                        notice.kind == Notice::Caution ? PlatformAdapter::Caution : PlatformAdapter::Plain);
}

// "1 file", "3 files": the windows speak English only.
QString counted(qsizetype count, const QString &one, const QString &many)
{
    return count == 1 ? QStringLiteral("1 ") + one : QString::number(count) + u' ' + many;
}

QString cardsHeading(const QString &a, const QString &b)
{
    return QObject::tr("A: %1\nB: %2").arg(a, b);
}

CardChoice choiceOf(const CardStore &store)
{
    return {store.root(), store.identity(), {}, {}};
}

// On the card's worker: the card now in choice's folder, when it is still choice's card.
std::optional<CardChoice> stillThere(const CardChoice &choice)
{
    CardChoice found = CardStore::findCard(choice.root, false);
    if (!choice.identity.isValid() || found.identity != choice.identity)
        return std::nullopt;
    return found;
}

// The window's calls; a card forgotten takes the window with it.
CardCalls *callsOf(FindingsWindow *window)
{
    auto *calls = new CardCalls(*window);
    QObject::connect(calls, &CardCalls::forgetCard, window, &QWidget::close);
    return calls;
}

// The chosen card checked, after a repair when there is one.
struct Checked
{
    bool there = false;
    Notices notices;
    CardCheck check;
};
using Repairing = std::function<Notices(CardStore &)>;

Checked checkNow(const CardChoice &choice, FileOps *ops, const Repairing &repair)
{
    const std::optional<CardChoice> found = stillThere(choice);
    if (!found)
        return {};
    CardStore card(*found, *ops);
    Checked checked {true, repair ? repair(card) : Notices(), {}};
    checked.check = checkCard(card);
    return checked;
}

// The check made anew on "Check Again", and whenever anyone writes to the card: a finding mended elsewhere goes. One
// check waits at a time; a write told once it has begun reading asks for another.
void checkAgainOn(FindingsWindow *window, CardCalls *calls, const CardChoice &choice, FileOps *ops,
                  const std::function<void(Checked)> &show)
{
    const auto asked = std::make_shared<std::atomic<bool>>(false);
    const auto again = [calls, choice, ops, show, asked] {
        if (asked->exchange(true))
            return;
        calls->start<Checked>(
            {choice.root, QObject::tr("Checking the card…")},
            [choice, ops, asked](const CallControl &) {
                asked->store(false);
                return checkNow(choice, ops, {});
            },
            show);
    };
    window->cmdCheckAgain->show();
    QObject::connect(window->cmdCheckAgain, &QPushButton::clicked, window, again);
    QObject::connect(&CardSession::instance(), &CardSession::cardChanged, window,
                     [identity = choice.identity, again](const CardIdentity &card, const CardChange &) {
                         if (card == identity)
                             again();
                     });
}

// Why the other card of a comparison or a copy is refused.
enum class Refusal { None, Gone, Unreadable, Itself, Overlaps };

// The chosen card and the other, read in one call.
struct TwoCards
{
    Refusal refusal = Refusal::None;
    CardChoice other;
    CardStore::Contents a;
    CardStore::Contents b;
};

TwoCards readTwo(const CardChoice &choice, FileOps *ops, const QString &path)
{
    TwoCards two;
    const std::optional<CardChoice> found = stillThere(choice);
    if (!found) {
        two.refusal = Refusal::Gone;
        return two;
    }
    two.other = CardStore::findCard(QDir::cleanPath(path), false);
    const CardStore card(*found, *ops);
    const CardStore other(two.other, *ops);
    two.b = other.identity().isValid() ? other.readContents() : CardStore::Contents();
    if (!two.b.readable)
        two.refusal = Refusal::Unreadable;
    else if (cardsOverlap(other, card))
        two.refusal = other.identity() == card.identity() ? Refusal::Itself : Refusal::Overlaps;
    else
        two.a = card.readContents();
    return two;
}

// Tells the user why the other card is refused; false when it is not.
bool refused(PlatformAdapter &platform, Refusal refusal, const QString &path)
{
    switch (refusal) {
    case Refusal::None:
        return false;
    case Refusal::Gone:
        platform.warn(NoCardMessage);
        break;
    case Refusal::Unreadable:
        platform.warn(QObject::tr("The card %1 cannot be read!").arg(path));
        break;
    case Refusal::Itself:
        platform.warn(QObject::tr("That is the chosen card itself! Choose another card."));
        break;
    case Refusal::Overlaps:
        platform.warn(QObject::tr("That folder lies inside the chosen card, or holds it! Choose another card."));
        break;
    }
    return true;
}

// Both cards read for window: done with them, or the window closed after telling why not.
void withTwo(FindingsWindow *window, CardCalls *calls, PlatformAdapter &platform, const CardChoice &choice,
             FileOps *ops, const QString &path, std::function<void(TwoCards)> done)
{
    calls->start<TwoCards>(
        {choice.root, QObject::tr("Reading the cards…")},
        [choice, ops, path](const CallControl &) { return readTwo(choice, ops, path); },
        [window, &platform, path, done = std::move(done)](TwoCards two) {
            if (refused(platform, two.refusal, path))
                window->close();
            else
                done(std::move(two));
        });
}

} // namespace

std::shared_ptr<CardStore> sameCard(PlatformAdapter &platform, const CardStore &store)
{
    if (!store.identity().isValid()) {
        platform.warn(NoCardMessage);
        return {};
    }
    auto card = std::make_shared<CardStore>(store.ops());
    card->adopt(choiceOf(store));
    return card;
}

FindingsWindow *showCardCheck(QWidget *parent, PlatformAdapter &platform, const CardStore &store,
                              std::function<void(const Finding &)> goTo)
{
    if (!sameCard(platform, store))
        return {};
    auto *window = new FindingsWindow(QObject::tr("Check Card"), parent);
    CardCalls *calls = callsOf(window);
    QPushButton *repairAllButton = window->addAction(QObject::tr("Repair All"));
    repairAllButton->setEnabled(false);
    window->onOpen = std::move(goTo);
    window->setReport(QObject::tr("Card %1: reading…").arg(store.root()), {}, QString());
    const auto shown = std::make_shared<bool>(false);
    const auto show = [window, &platform, repairAllButton, shown, root = store.root()](Checked checked) {
        if (!checked.there && !*shown) { // gone before it was read: no report to show
            window->close();
            platform.warn(NoCardMessage);
            return;
        }
        *shown = true;
        showNotices(platform, checked.notices);
        const bool readable = checked.there && checked.check.readable;
        repairAllButton->setEnabled(readable && !certainRepairs(checked.check.findings).isEmpty());
        const QString heading = readable
            ? QObject::tr("Card %1: %2")
                  .arg(root, counted(checked.check.findings.size(), QObject::tr("finding"), QObject::tr("findings")))
            : QObject::tr("The card %1 is gone.").arg(root);
        window->setReport(heading, readable ? checked.check.findings : Findings(),
                          readable ? QObject::tr("Nothing is wrong with this card.") : QString());
    };
    const auto check
        = [calls, show, choice = choiceOf(store), ops = &store.ops()](const QString &what, const Repairing &repair) {
              const auto mode = repair ? CardSession::Mode::Write : CardSession::Mode::Read;
              calls->start<Checked>(
                  {choice.root, what, mode, !repair},
                  [choice, ops, repair](const CallControl &) { return checkNow(choice, ops, repair); }, show);
          };
    window->onRepair = [&platform, check](const Finding &finding) {
        if (platform.ask(QObject::tr("Repair %1: %2?").arg(finding.place, repairWords(finding.repair))))
            check(QObject::tr("Repairing the card…"),
                  [repair = finding.repair](CardStore &card) { return applyRepair(card, repair); });
    };
    // One question for every certain repair shown, each named where it is; the listing is written last.
    QObject::connect(repairAllButton, &QPushButton::clicked, window, [&platform, window, check] {
        const Findings findings = window->findings();
        QList<Repair> asked;
        QStringList lines;
        for (const Finding &finding : findings) {
            if (finding.repair.isCertain() && !asked.contains(finding.repair)) {
                asked.append(finding.repair);
                lines.append(finding.place + QStringLiteral(": ") + repairWords(finding.repair));
            }
        }
        if (!asked.isEmpty() && platform.ask(QObject::tr("Repair all of these?\n") + lines.join(u'\n')))
            check(QObject::tr("Repairing the card…"),
                  [findings](CardStore &card) { return repairAll(card, findings); });
    });
    check(QObject::tr("Checking the card…"), {});
    checkAgainOn(window, calls, choiceOf(store), &store.ops(), show);
    window->show();
    return window;
}

CardChooser *showCardCompare(QWidget *parent, PlatformAdapter &platform, const CardStore &store)
{
    auto *chooser = new CardChooser(QObject::tr("Compare With Another Card"), platform.volumes(), store.root(), parent);
    QObject::connect(chooser, &CardChooser::chosen, parent, [parent, &platform, &store](const QString &path) {
        if (!sameCard(platform, store))
            return;
        auto *window = new FindingsWindow(QObject::tr("Compare Cards"), parent);
        window->setReport(QObject::tr("Reading the cards…"), {}, QString());
        const QString root = store.root();
        withTwo(window, callsOf(window), platform, choiceOf(store), &store.ops(), path, [window, root](TwoCards two) {
            window->setReport(cardsHeading(root, two.other.root), compareSetups(two.a, two.b),
                              QObject::tr("The two cards hold the same setup."));
        });
        window->show();
    });
    chooser->open();
    return chooser;
}

namespace {

// Writes plan onto target, which reads it back, and reports how it went.
void copyNow(FindingsWindow *window, CardCalls *calls, PlatformAdapter &platform, const QString &cards,
             const CardChoice &target, FileOps *ops, const CopyPlan &plan)
{
    window->cmdAction->setEnabled(false);
    calls->start<Findings>(
        {target.root, QObject::tr("Copying the setup…"), CardSession::Mode::Write, false},
        [target, ops, plan](const CallControl &control) {
            CardStore card(target, *ops);
            Findings problems = copySetup(card, plan, control.progress);
            if (problems.isEmpty())
                CardSession::instance().tell(target.identity, CardChange::finished({ChangeCause::CopySetup, {}}));
            return problems;
        },
        [window, &platform, cards](Findings problems) {
            window->setReport(cards + u'\n'
                                  + (problems.isEmpty() ? QObject::tr("Copied, and the copy reads back the same.")
                                                        : QObject::tr("The copy is not complete:")),
                              problems, QObject::tr("Every file was written and verified."));
            if (problems.isEmpty())
                platform.tell(QObject::tr("The setup was copied and verified."));
            else
                platform.warn(QObject::tr("The setup could not be copied completely! See the report."));
        });
}

// Copy Setup's window once both cards are read: what would be written, and the copy on "Copy Setup".
void offerCopy(FindingsWindow *window, CardCalls *calls, PlatformAdapter &platform, const CardChoice &source,
               FileOps *ops, const TwoCards &two)
{
    const CopyPlan plan = planCopy(two.a, two.b);
    Findings shown = plan.refusal;
    for (const CardStore::FileWrite &write : plan.writes)
        shown.append({pathOf(write), Kind::WillWrite, QObject::tr("will be written on B")});
    shown += plan.notes;
    const QString heading = QObject::tr("From A onto B: %1 to write.")
                                .arg(counted(plan.writes.size(), QObject::tr("file"), QObject::tr("files")));
    const QString cards = cardsHeading(source.root, two.other.root);
    window->setReport(cards + u'\n' + heading, shown, QObject::tr("B already holds the setup of A."));
    QPushButton *copy = window->addAction(QObject::tr("Copy Setup"));
    copy->setEnabled(plan.refusal.isEmpty() && (!plan.writes.isEmpty() || plan.listing));
    const CardChoice target = two.other;
    QObject::connect(copy, &QPushButton::clicked, window, [window, calls, &platform, source, ops, target, cards] {
        // Planned anew: either card may have changed since the window opened.
        withTwo(window, calls, platform, source, ops, target.root,
                [window, calls, &platform, source, ops, target, cards](TwoCards now) {
                    if (now.other.identity != target.identity) {
                        platform.warn(NoCardMessage);
                        return;
                    }
                    const CopyPlan fresh = planCopy(now.a, now.b);
                    if (platform.ask(QObject::tr("Copy the setup of %1 onto %2? %3 there will be replaced or created.")
                                         .arg(source.root, target.root,
                                              counted(fresh.writes.size(), QObject::tr("file"), QObject::tr("files")))))
                        copyNow(window, calls, platform, cards, now.other, ops, fresh);
                });
    });
}

} // namespace

CardChooser *showSetupCopy(QWidget *parent, PlatformAdapter &platform, const CardStore &store)
{
    auto *chooser
        = new CardChooser(QObject::tr("Copy Setup to Another Card"), platform.volumes(), store.root(), parent);
    QObject::connect(chooser, &CardChooser::chosen, parent, [parent, &platform, &store](const QString &path) {
        if (!sameCard(platform, store))
            return;
        auto *window = new FindingsWindow(QObject::tr("Copy Setup to Another Card"), parent);
        window->setReport(QObject::tr("Reading the cards…"), {}, QString());
        CardCalls *calls = callsOf(window);
        const CardChoice source = choiceOf(store);
        FileOps *ops = &store.ops();
        withTwo(window, calls, platform, source, ops, path, [window, calls, &platform, source, ops](TwoCards two) {
            offerCopy(window, calls, platform, source, ops, two);
        });
        window->show();
    });
    chooser->open();
    return chooser;
}

} // namespace Vexolo::Ui
