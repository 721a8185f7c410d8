#include "fleet/fleetwindow.h"

#include "fleet/productionpanel.h"
#include "fleet/syncpanel.h"
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

// The fleet as the window lists it.
struct FleetView
{
    FleetRead<QList<Player>> players;
    FleetRead<QList<LogLine>> log;
};

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
    production = new ProductionPanel(
        platform, [this] { return drvReference->currentText(); }, this);
    lstLog = new QListWidget(this);
    lstLog->setObjectName(QStringLiteral("lstLog"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    auto *form = new QFormLayout;
    form->addRow(tr("&Reference (a folder or a card):"), drvReference);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(tr("Players:"), this));
    layout->addWidget(lstPlayers, 2);
    layout->addWidget(production, 2);
    layout->addWidget(new QLabel(tr("Log, newest first:"), this));
    layout->addWidget(lstLog, 1);
    auto *sync = new SyncPanel(this);
    connect(sync, &SyncPanel::synced, this, [this] { showFleet(FleetRepository::defaultPath()); });
    layout->addWidget(sync);
    layout->addWidget(buttons);
    resize(760, 640);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(drvReference, &QComboBox::currentTextChanged, this,
            [](const QString &text) { QSettings().setValue(ReferenceKey, text); });
    connect(production, &ProductionPanel::cardDone, this, &FleetWindow::showFleet);
    showFleet(FleetRepository::defaultPath());
}

void FleetWindow::showFleet(const QString &key)
{
    CardSession::instance().run<FleetView>(
        key, this,
        [] {
            const FleetRepository fleet;
            return FleetView {fleet.players(), fleet.log()};
        },
        [this](FleetView fleet) {
            lstPlayers->clear();
            const QList<LogLine> &log = fleet.log.value;
            for (const Player &player : std::as_const(fleet.players.value)) {
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
            for (const QString &error : {fleet.players.error, fleet.log.error}) {
                if (!error.isEmpty())
                    lstLog->addItem(error);
            }
            for (auto line = log.crbegin(); line != log.crend(); ++line)
                lstLog->addItem(logText(*line));
        });
}

} // namespace Vexolo::Ui
