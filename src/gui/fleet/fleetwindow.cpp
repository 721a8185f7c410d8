#include "fleet/fleetwindow.h"

#include "fleet/playerspanel.h"
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
    layout->addWidget(players, 2);
    layout->addWidget(production, 2);
    layout->addWidget(new QLabel(tr("Log, newest first:"), this));
    layout->addWidget(lstLog, 1);
    auto *sync = new SyncPanel(m_platform, this);
    connect(sync, &SyncPanel::synced, this, [this] { showFleet(FleetRepository::defaultPath()); });
    layout->addWidget(sync);
    layout->addWidget(buttons);
    resize(760, 640);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(drvReference, &QComboBox::currentTextChanged, this, [this](const QString &text) {
        QSettings().setValue(ReferenceKey, text);
        players->refresh();
    });
    connect(production, &ProductionPanel::cardDone, this, &FleetWindow::showFleet);
    showFleet(FleetRepository::defaultPath());
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
