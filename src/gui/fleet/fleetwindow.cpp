#include "fleet/fleetwindow.h"

#include "fleet/fleet.h"
#include "platform/platformadapter.h"
#include "widgets/busyfeedback.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
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

} // namespace

FleetWindow::FleetWindow(PlatformAdapter &platform, QWidget *parent)
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
    lstPlayers = new QTreeWidget(this);
    lstPlayers->setObjectName(QStringLiteral("lstPlayers"));
    lstPlayers->setRootIsDecorated(false);
    lstPlayers->setHeaderLabels(
        {tr("Player"), tr("Location"), tr("Last result"), tr("Date"), tr("Reference version"), tr("Card")});
    chkProduce = new QCheckBox(tr("&Apply to each card inserted"), this);
    chkProduce->setObjectName(QStringLiteral("chkProduce"));
    lblStatus = new QLabel(tr("Choose the reference, then tick the box and insert the first card."), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    lstLog = new QListWidget(this);
    lstLog->setObjectName(QStringLiteral("lstLog"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    auto *form = new QFormLayout;
    form->addRow(tr("&Reference (a folder or a card):"), drvReference);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(tr("Players:"), this));
    layout->addWidget(lstPlayers, 2);
    layout->addWidget(chkProduce);
    layout->addWidget(lblStatus);
    layout->addWidget(new QLabel(tr("Log, newest first:"), this));
    layout->addWidget(lstLog, 1);
    layout->addWidget(buttons);
    resize(760, 560);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(drvReference, &QComboBox::currentTextChanged, this,
            [](const QString &text) { QSettings().setValue(ReferenceKey, text); });
    connect(chkProduce, &QCheckBox::toggled, this, [this](bool on) {
        m_known = m_platform.volumes(); // only cards inserted from now on
        if (on)
            lblStatus->setText(tr("Insert the next card."));
    });
    m_known = m_platform.volumes();
    m_platform.watchVolumes(this, [this] { volumesChanged(); });
    showFleet();
}

void FleetWindow::volumesChanged()
{
    const QStringList now = m_platform.volumes();
    const QStringList before = std::exchange(m_known, now);
    if (!chkProduce->isChecked())
        return;
    for (const QString &volume : now) {
        if (!before.contains(volume))
            produce(volume);
    }
}

void FleetWindow::produce(const QString &root)
{
    CardStore reference(QDir::cleanPath(drvReference->currentText().trimmed()));
    CardStore card(root);
    if (!reference.identity().isValid()) {
        lblStatus->setText(tr("%1 was inserted, but no reference is chosen: nothing was written.").arg(root));
        return;
    }
    if (!card.identity().isValid() || cardsOverlap(reference, card))
        return; // the reference itself, or no card
    FleetRepository fleet;
    const CardLabel label = labelOf(card);
    std::optional<Player> player = fleet.player(label.key);
    if (!player) {
        const std::optional<QString> name
            = m_platform.askText(tr("The card %1 belongs to no player yet. The name of its player:").arg(root));
        if (!name || name->trimmed().isEmpty()) {
            lblStatus->setText(tr("%1: no player named; the card was left as it is.").arg(root));
            return;
        }
        player = Player {label.key, name->trimmed(), {}, {}};
        fleet.registerPlayer(*player);
    }
    FleetResult result;
    {
        BusyFeedback busy(this);
        busy.allowCancel(tr("Making the card of %1 match the reference…").arg(player->name));
        result = applyReference(fleet, reference, card, false, busy.callback(), [&busy] { return !busy.cancelled(); });
    }
    if (result.verified()) {
        QString why;
        const QString out = ejectCard(label, &why) ? tr("take the card out") : tr("unmount the card and take it out");
        lblStatus->setText(tr("%1: verified — %2 and insert the next").arg(player->name, out));
    } else {
        lblStatus->setText(tr("%1: failed — %2").arg(player->name, failure(result)));
    }
    showFleet();
}

void FleetWindow::showFleet()
{
    const FleetRepository fleet;
    const QList<LogLine> log = fleet.log();
    lstPlayers->clear();
    for (const Player &player : fleet.players()) {
        QStringList row {player.name, player.location, {}, {}, {}, player.key};
        for (auto line = log.crbegin(); line != log.crend(); ++line) {
            if (line->card == player.key) {
                row[2] = line->result;
                row[3] = QLocale().toString(line->time.toLocalTime(), QLocale::ShortFormat);
                row[4] = line->version;
                break;
            }
        }
        new QTreeWidgetItem(lstPlayers, row);
    }
    lstPlayers->header()->resizeSections(QHeaderView::ResizeToContents);
    lstLog->clear();
    for (auto line = log.crbegin(); line != log.crend(); ++line)
        lstLog->addItem(logText(*line));
}

} // namespace Vexolo::Ui
