#include "fleet/historywindow.h"

#include "fleet/fleet.h"
#include "fleet/fleetwindows.h"
#include "platform/platformadapter.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace Vexolo::Ui {

namespace {

constexpr int IdRole = Qt::UserRole;

QString timeText(const QDateTime &time)
{
    return QLocale().toString(time.toLocalTime(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

HistoryWindow::HistoryWindow(PlatformAdapter &platform, std::shared_ptr<CardStore> card, QWidget *parent)
    : QDialog(parent)
    , m_platform(platform)
    , m_card(std::move(card))
{
    setWindowTitle(tr("History"));
    setAttribute(Qt::WA_DeleteOnClose);
    const CardLabel label = labelOf(*m_card);
    m_key = label.key;
    const std::optional<Player> player = FleetRepository().player(m_key);
    lblCard = new QLabel(
        tr("Card %1%2 (%3)").arg(m_card->root(), player ? tr(", player %1").arg(player->name) : QString(), m_key),
        this);
    lblCard->setWordWrap(true);
    lstVersions = new QListWidget(this);
    lstVersions->setObjectName(QStringLiteral("lstVersions"));
    lstDifferences = new QListWidget(this);
    lstDifferences->setObjectName(QStringLiteral("lstDifferences"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    cmdRestore = buttons->addButton(tr("Restore"), QDialogButtonBox::ActionRole);
    cmdRestore->setObjectName(QStringLiteral("cmdRestore"));
    auto *versionsCaption = new QLabel(tr("&Versions kept on this computer, newest first:"), this);
    versionsCaption->setBuddy(lstVersions);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblCard);
    layout->addWidget(versionsCaption);
    layout->addWidget(lstVersions, 1);
    layout->addWidget(new QLabel(tr("How the version differs from the card now (A: the version, B: the card):"), this));
    layout->addWidget(lstDifferences, 1);
    layout->addWidget(buttons);
    resize(640, 480);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lstVersions, &QListWidget::currentRowChanged, this, &HistoryWindow::showDifferences);
    connect(cmdRestore, &QPushButton::clicked, this, &HistoryWindow::restore);
    listVersions();
}

void HistoryWindow::listVersions()
{
    lstVersions->clear();
    const FleetRepository fleet;
    for (const SetupVersion &version : fleet.history(m_key)) {
        auto *item = new QListWidgetItem(tr("%1  %2, before %3").arg(version.id, timeText(version.time), version.what),
                                         lstVersions);
        item->setData(IdRole, version.id);
    }
    if (lstVersions->count() == 0)
        lstVersions->addItem(fleet.isOpen() ? tr("Nothing has been written to this card from this computer yet.")
                                            : tr("The fleet's data cannot be opened: %1").arg(fleet.error()));
    lstVersions->setCurrentRow(0);
    showDifferences();
}

void HistoryWindow::showDifferences()
{
    lstDifferences->clear();
    const QListWidgetItem *item = lstVersions->currentItem();
    const QString id = item ? item->data(IdRole).toString() : QString();
    cmdRestore->setEnabled(!id.isEmpty());
    if (id.isEmpty())
        return;
    const std::optional<SetupSnapshot> version = FleetRepository().version(m_key, id);
    const CardStore::Contents now = m_card->readContents();
    if (!version || !now.readable) {
        lstDifferences->addItem(tr("The card cannot be read."));
        return;
    }
    const Findings differences = compareSetups(contentsOf(*version, now.tracks), now);
    for (const Finding &difference : differences)
        lstDifferences->addItem(findingLine(difference));
    if (differences.isEmpty())
        lstDifferences->addItem(tr("The card holds this version's setup."));
}

void HistoryWindow::restore()
{
    const QListWidgetItem *item = lstVersions->currentItem();
    if (!item
        || !m_platform.ask(tr("Make the setup of the card %1 what it was in version %2? The programs, names and "
                              "command files it holds now are kept in the history first.")
                               .arg(m_card->root(), item->data(IdRole).toString())))
        return;
    FleetRepository fleet;
    const FleetResult result = restoreVersion(fleet, *m_card, item->data(IdRole).toString(), false);
    QStringList problems;
    for (const Finding &problem : result.refusal + result.problems)
        problems.append(findingLine(problem));
    if (problems.isEmpty())
        m_platform.tell(
            tr("The card's setup is restored and reads back the same (files changed: %1).").arg(result.files));
    else
        m_platform.warn(tr("The restore failed:\n%1").arg(problems.join(u'\n')));
    Q_EMIT restored();
    listVersions();
}

HistoryWindow *showHistory(QWidget *parent, PlatformAdapter &platform, const CardStore &store)
{
    const std::shared_ptr<CardStore> card = sameCard(platform, store);
    if (!card)
        return nullptr;
    auto *window = new HistoryWindow(platform, card, parent);
    window->show();
    return window;
}

} // namespace Vexolo::Ui
