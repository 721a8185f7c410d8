#include "fleet/fleetwindow.h"

#include "fleet/playerspanel.h"
#include "platform/platformadapter.h"
#include "storage/cardsession.h"
#include "words/findingwords.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Vexolo::Ui {

namespace {

const QString ReferenceKey = QStringLiteral("fleet/reference");

QString failure(const FleetResult &result)
{
    if (result.cancelled)
        return QObject::tr("cancelled; the card holds no half track");
    const Findings problems = result.refusal + result.problems;
    return problems.isEmpty() ? QString() : findingLine(problems.constFirst());
}

// Progress of work on a card's worker, shown in the status line on the window's thread while the label is there.
// The relay object outlives the window for as long as the work may still report.
Progress statusProgress(QLabel *status, const QString &text)
{
    const std::shared_ptr<QObject> relay(new QObject, [](QObject *object) { object->deleteLater(); });
    const auto shown = std::make_shared<std::atomic<int>>(-1);
    return [relay, shown, label = QPointer<QLabel>(status), text](qint64 done, qint64 total) {
        const int percent = total > 0 ? int(done * 100 / total) : 0;
        if (shown->exchange(percent) == percent)
            return; // one update a percent
        QMetaObject::invokeMethod(
            relay.get(),
            [label, text, percent] {
                if (label)
                    label->setText(QStringLiteral("%1 %2%").arg(text).arg(percent));
            },
            Qt::QueuedConnection);
    };
}

} // namespace

FleetWindow::FleetWindow(PlatformAdapter &platform, QWidget *parent, std::function<QString()> chosenCard)
    : QDialog(parent)
    , m_platform(platform)
{
    setWindowTitle(tr("Fleet"));
    setAttribute(Qt::WA_DeleteOnClose);
    drvReference = new QComboBox(this);
    drvReference->setObjectName(QStringLiteral("drvReference"));
    drvReference->setEditable(true);
    drvReference->addItems(m_platform.volumes());
    drvReference->setCurrentText(QSettings().value(ReferenceKey).toString());
    players = new PlayersPanel(
        m_platform, std::move(chosenCard), [this] { return drvReference->currentText(); }, this);
    lstPlayers = players->lstPlayers;
    chkProduce = new QCheckBox(tr("&Apply to each card inserted"), this);
    chkProduce->setObjectName(QStringLiteral("chkProduce"));
    lblStatus = new QLabel(tr("Choose the reference, then tick the box and insert the first card."), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    cmdCancel = new QPushButton(tr("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setVisible(false);
    lstLog = new QListWidget(this);
    lstLog->setObjectName(QStringLiteral("lstLog"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    auto *form = new QFormLayout;
    form->addRow(tr("&Reference (a folder or a card):"), drvReference);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(tr("Players:"), this));
    layout->addWidget(players, 2);
    layout->addWidget(chkProduce);
    auto *status = new QHBoxLayout;
    status->addWidget(lblStatus, 1);
    status->addWidget(cmdCancel);
    layout->addLayout(status);
    layout->addWidget(new QLabel(tr("Log, newest first:"), this));
    layout->addWidget(lstLog, 1);
    layout->addWidget(buttons);
    resize(760, 560);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        if (m_keepGoing)
            *m_keepGoing = false;
    });
    connect(drvReference, &QComboBox::currentTextChanged, this, [this](const QString &text) {
        QSettings().setValue(ReferenceKey, text);
        players->refresh();
    });
    connect(chkProduce, &QCheckBox::toggled, this, [this](bool on) {
        m_known = m_platform.volumes(); // only cards inserted from now on
        if (on)
            lblStatus->setText(tr("Insert the next card."));
    });
    m_known = m_platform.volumes();
    m_platform.watchVolumes(this, [this] { volumesChanged(); });
    showFleet(FleetRepository::defaultPath());
}

void FleetWindow::volumesChanged()
{
    const QStringList now = m_platform.volumes();
    const QStringList before = std::exchange(m_known, now);
    if (!chkProduce->isChecked())
        return;
    for (const QString &volume : now) {
        if (!before.contains(volume))
            receive(volume);
    }
}

void FleetWindow::receive(const QString &root)
{
    PlatformAdapter *platform = &m_platform;
    const QString reference = drvReference->currentText();
    CardSession::instance().run<Production::Card>(
        root, this,
        [platform, root, reference] {
            return Production::receive(root, platform->describeVolume(root), reference, FleetRepository());
        },
        [this](Production::Card card) { received(card); });
}

void FleetWindow::received(const Production::Card &card)
{
    switch (card.arrival) {
    case Production::Arrival::NotACard:
    case Production::Arrival::Reference:
        return; // no card, or the reference itself: never written
    case Production::Arrival::NoReference:
        lblStatus->setText(tr("%1 was inserted, but no reference is chosen: nothing was written.").arg(card.root));
        return;
    case Production::Arrival::Cloned:
        lblStatus->setText(tr("%1 has the same identity as the card at %2 (a copy of it): nothing was recorded or "
                              "written. Give it an identity of its own first (see the README).")
                               .arg(card.root, card.clones.join(QStringLiteral(", "))));
        return;
    case Production::Arrival::NeedsName:
        m_unnamed.append(card);
        askNames();
        return;
    case Production::Arrival::Ready:
        produce(card, card.player->name);
        return;
    case Production::Arrival::FleetUnreadable:
        lblStatus->setText(tr("%1: nothing was written — %2").arg(card.root, card.fleetError));
        return;
    }
}

void FleetWindow::askNames()
{
    if (std::exchange(m_asking, true))
        return; // the question open asks the others in turn
    while (!m_unnamed.isEmpty()) {
        const Production::Card card = m_unnamed.takeFirst();
        const std::optional<QString> name
            = m_platform.askText(tr("The card %1 belongs to no player yet. The name of its player:").arg(card.root));
        if (!name || name->trimmed().isEmpty())
            lblStatus->setText(tr("%1: no player named; the card was left as it is.").arg(card.root));
        else
            produce(card, name->trimmed());
    }
    m_asking = false;
}

void FleetWindow::produce(const Production::Card &card, const QString &name)
{
    if (m_working++ == 0)
        m_keepGoing = std::make_shared<std::atomic<bool>>(true);
    cmdCancel->setVisible(true);
    const QString text = tr("Making the card of %1 match the reference…").arg(name);
    lblStatus->setText(text);
    const Progress progress = statusProgress(lblStatus, text);
    CardSession::instance().run<Production::Outcome>(
        card.root, this,
        [card, name, progress, going = m_keepGoing] {
            FleetRepository fleet;
            return Production::finish(fleet, card, name, progress, [going] { return going->load(); });
        },
        [this, name, root = card.root](Production::Outcome outcome) {
            produced(name, outcome);
            showFleet(root);
        },
        CardSession::Mode::Write);
}

void FleetWindow::produced(const QString &name, const Production::Outcome &outcome)
{
    if (--m_working == 0)
        cmdCancel->setVisible(false);
    if (!outcome.applied()) {
        lblStatus->setText(tr("%1: failed — %2").arg(name, fleetChangeText(*outcome.registered)));
        return;
    }
    QString text;
    if (outcome.result.verified()) {
        const QString out = outcome.ejected.done ? tr("take the card out") : tr("unmount the card and take it out");
        text = tr("%1: verified — %2 and insert the next").arg(name, out);
    } else {
        text = tr("%1: failed — %2").arg(name, failure(outcome.result));
    }
    if (outcome.result.logged.failed())
        text += u'\n' + fleetChangeText(outcome.result.logged);
    lblStatus->setText(text);
}

void FleetWindow::showFleet(const QString &key)
{
    players->refresh();
    CardSession::instance().run<FleetRead<QList<LogLine>>>(
        key, this, [] { return FleetRepository().log(); },
        [this](const FleetRead<QList<LogLine>> &log) {
            lstLog->clear();
            if (log.failed())
                lstLog->addItem(log.error);
            for (auto line = log.value.crbegin(); line != log.value.crend(); ++line)
                lstLog->addItem(logText(*line));
        });
}

} // namespace Vexolo::Ui
