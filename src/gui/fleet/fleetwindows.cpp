#include "fleetwindows.h"

#include "fleet/findingswindow.h"
#include "platform/platformadapter.h"
#include "reports/cardcheck.h"
#include "reports/cardsetup.h"
#include "reports/programoverview.h"
#include "widgets/cardinreach.h"
#include "widgets/noticetext.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <memory>

namespace Vexolo::Ui {

namespace {

void showNotices(PlatformAdapter &platform, const Notices &notices)
{
    for (const Notice &notice : notices)
        platform.MsgBox(noticeText(notice),
                        notice.kind == Notice::Caution ? PlatformAdapter::Caution : PlatformAdapter::Plain);
}

// The other card of a comparison or a copy, read once into contents; nullptr (after telling the
// user) when it cannot be read.
std::shared_ptr<CardStore> otherCard(PlatformAdapter &platform, const CardStore &store, const QString &path,
                                     CardStore::Contents &contents)
{
    const std::optional<CardChoice> found = findCardInTime(platform, QDir::cleanPath(path), false);
    if (!found)
        return {};
    auto other = std::make_shared<CardStore>();
    other->adopt(*found);
    contents = other->identity().isValid() ? other->readContents() : CardStore::Contents();
    if (!contents.readable) {
        platform.warn(QObject::tr("The card %1 cannot be read!").arg(path));
        return {};
    }
    if (cardsOverlap(*other, store)) {
        platform.warn(other->identity() == store.identity()
                          ? QObject::tr("That is the chosen card itself! Choose another card.")
                          : QObject::tr("That folder lies inside the chosen card, or holds it! Choose another card."));
        return {};
    }
    return other;
}

// "1 file", "3 files": the windows speak English only.
QString counted(qsizetype count, const QString &one, const QString &many)
{
    return count == 1 ? QStringLiteral("1 ") + one : QString::number(count) + u' ' + many;
}

QString cardsHeading(const CardStore &a, const CardStore &b)
{
    return QObject::tr("A: %1\nB: %2").arg(a.root(), b.root());
}

} // namespace

std::shared_ptr<CardStore> sameCard(PlatformAdapter &platform, const CardStore &store)
{
    const std::optional<CardChoice> found = findCardInTime(platform, store.root(), false);
    if (!found)
        return {};
    auto card = std::make_shared<CardStore>();
    card->adopt(*found);
    if (!store.identity().isValid() || card->identity() != store.identity()) {
        platform.warn(NoCardMessage);
        return {};
    }
    return card;
}

CardChooser::CardChooser(const QString &title, const QStringList &volumes, const QString &current, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *caption = new QLabel(tr("The other card (a volume, or the path of a folder):"), this);
    drvOther = new QComboBox(this);
    drvOther->setObjectName(QStringLiteral("drvOther"));
    drvOther->setEditable(true);
    drvOther->setMinimumWidth(360);
    for (const QString &volume : volumes) {
        if (volume != current)
            drvOther->addItem(volume);
    }
    drvOther->setCurrentIndex(-1);
    caption->setBuddy(drvOther);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(drvOther);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        const QString path = drvOther->currentText().trimmed();
        if (path.isEmpty())
            return;
        accept();
        Q_EMIT chosen(path);
    });
}

FindingsWindow *showCardCheck(QWidget *parent, PlatformAdapter &platform, const CardStore &store,
                              std::function<void(const Finding &)> goTo)
{
    const std::shared_ptr<CardStore> card = sameCard(platform, store);
    if (!card)
        return {};
    auto *window = new FindingsWindow(QObject::tr("Check Card"), parent);
    QPushButton *repairAllButton = window->addAction(QObject::tr("Repair All"));
    window->onOpen = std::move(goTo);
    const auto refresh = [window, card, repairAllButton] {
        const CardCheck checked = checkCard(*card);
        repairAllButton->setEnabled(!certainRepairs(checked.findings).isEmpty());
        const QString heading = checked.readable
            ? QObject::tr("Card %1: %2")
                  .arg(card->root(), counted(checked.findings.size(), QObject::tr("finding"), QObject::tr("findings")))
            : QObject::tr("The card %1 is gone.").arg(card->root());
        window->setReport(heading, checked.findings,
                          checked.readable ? QObject::tr("Nothing is wrong with this card.") : QString());
    };
    window->onRepair = [&platform, card, refresh](const Finding &finding) {
        if (!platform.ask(QObject::tr("Repair %1: %2?").arg(finding.place, finding.repair.words)))
            return;
        showNotices(platform, applyRepair(*card, finding.repair));
        refresh();
    };
    // One question for every certain repair, each named where it is; the listing is written last.
    QObject::connect(repairAllButton, &QPushButton::clicked, window, [&platform, card, refresh] {
        const Findings findings = checkCard(*card).findings;
        QList<Repair> asked;
        QStringList lines;
        for (const Finding &finding : findings) {
            if (finding.repair.isCertain() && !asked.contains(finding.repair)) {
                asked.append(finding.repair);
                lines.append(finding.place + QStringLiteral(": ") + finding.repair.words);
            }
        }
        if (asked.isEmpty() || !platform.ask(QObject::tr("Repair all of these?\n") + lines.join(u'\n')))
            return;
        showNotices(platform, repairAll(*card, findings));
        refresh();
    });
    refresh();
    window->show();
    return window;
}

CardChooser *showCardCompare(QWidget *parent, PlatformAdapter &platform, const CardStore &store)
{
    auto *chooser = new CardChooser(QObject::tr("Compare With Another Card"), platform.volumes(), store.root(), parent);
    QObject::connect(chooser, &CardChooser::chosen, parent, [parent, &platform, &store](const QString &path) {
        const std::shared_ptr<CardStore> card = sameCard(platform, store);
        CardStore::Contents otherContents;
        const std::shared_ptr<CardStore> other = card ? otherCard(platform, *card, path, otherContents) : nullptr;
        if (!other)
            return;
        auto *window = new FindingsWindow(QObject::tr("Compare Cards"), parent);
        window->setReport(cardsHeading(*card, *other), compareSetups(card->readContents(), otherContents),
                          QObject::tr("The two cards hold the same setup."));
        window->show();
    });
    chooser->open();
    return chooser;
}

CardChooser *showSetupCopy(QWidget *parent, PlatformAdapter &platform, const CardStore &store)
{
    auto *chooser
        = new CardChooser(QObject::tr("Copy Setup to Another Card"), platform.volumes(), store.root(), parent);
    QObject::connect(chooser, &CardChooser::chosen, parent, [parent, &platform, &store](const QString &path) {
        const std::shared_ptr<CardStore> source = sameCard(platform, store);
        CardStore::Contents targetContents;
        const std::shared_ptr<CardStore> target = source ? otherCard(platform, *source, path, targetContents) : nullptr;
        if (!target)
            return;
        auto *window = new FindingsWindow(QObject::tr("Copy Setup to Another Card"), parent);
        const CopyPlan plan = planCopy(source->readContents(), targetContents);
        Findings shown = plan.refusal;
        for (const CardStore::FileWrite &write : plan.writes)
            shown.append({pathOf(write), Kind::WillWrite, QObject::tr("will be written on B")});
        shown += plan.notes;
        const QString heading = QObject::tr("From A onto B: %1 to write.")
                                    .arg(counted(plan.writes.size(), QObject::tr("file"), QObject::tr("files")));
        const QString cards = cardsHeading(*source, *target);
        window->setReport(cards + u'\n' + heading, shown, QObject::tr("B already holds the setup of A."));
        QPushButton *copy = window->addAction(QObject::tr("Copy Setup"));
        copy->setEnabled(plan.refusal.isEmpty() && (!plan.writes.isEmpty() || plan.listing));
        QObject::connect(copy, &QPushButton::clicked, window, [window, copy, cards, source, target, &platform] {
            // Planned anew: either card may have changed since the window opened.
            const CopyPlan now = planCopy(source->readContents(), target->readContents());
            if (!platform.ask(QObject::tr("Copy the setup of %1 onto %2? %3 there will be replaced or created.")
                                  .arg(source->root(), target->root(),
                                       counted(now.writes.size(), QObject::tr("file"), QObject::tr("files")))))
                return;
            const Findings problems = copySetup(*target, now);
            copy->setEnabled(false);
            window->setReport(cards + u'\n'
                                  + (problems.isEmpty() ? QObject::tr("Copied, and the copy reads back the same.")
                                                        : QObject::tr("The copy is not complete:")),
                              problems, QObject::tr("Every file was written and verified."));
            if (problems.isEmpty())
                platform.tell(QObject::tr("The setup was copied and verified."));
            else
                platform.warn(QObject::tr("The setup could not be copied completely! See the report."));
        });
        window->show();
    });
    chooser->open();
    return chooser;
}

ProgramList::ProgramList(QLineEdit *numberField, ProgramOverview &programs)
    : QListView(numberField->window())
    , m_field(numberField)
{
    setObjectName(QStringLiteral("lstPrograms"));
    setWindowFlags(Qt::Popup);
    setAccessibleName(tr("Programs on the card"));
    setModel(&programs);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    numberField->installEventFilter(this);
    numberField->setToolTip(tr("Click or press Ctrl+L for the card's programs"));
    auto *open = new QAction(this);
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    open->setShortcutContext(Qt::WindowShortcut);
    numberField->window()->addAction(open);
    connect(open, &QAction::triggered, this, &ProgramList::popUp);
    // A click chooses; Return does too (keyPressEvent).
    connect(this, &QListView::clicked, this, &ProgramList::choose);
}

void ProgramList::popUp()
{
    Q_EMIT aboutToPopUp();
    const int rows = model()->rowCount();
    const int width = std::max(m_field->width(), sizeHintForColumn(0) + 2 * frameWidth() + 24);
    const int height = rows * sizeHintForRow(0) + 2 * frameWidth();
    setGeometry(QRect(m_field->mapToGlobal(QPoint(0, m_field->height())), QSize(std::min(width, 480), height)));
    setCurrentIndex(model()->index(m_field->text().toInt(), 0)); // the number shown; row 0 for none
    show();
    setFocus();
}

void ProgramList::choose(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    hide();
    if (const auto number = ProgramNumber::fromText(index.data(ProgramOverview::NumberRole).toString()))
        Q_EMIT programChosen(*number);
}

bool ProgramList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        popUp();
    return QListView::eventFilter(watched, event);
}

void ProgramList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        choose(currentIndex());
    else if (event->key() == Qt::Key_Escape)
        hide();
    else
        QListView::keyPressEvent(event);
}

} // namespace Vexolo::Ui
