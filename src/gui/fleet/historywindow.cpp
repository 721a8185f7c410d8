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
    lblDifferences = new QLabel(this);
    layout->addWidget(lblDifferences);
    layout->addWidget(lstDifferences, 1);
    layout->addWidget(buttons);
    resize(640, 480);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lstVersions->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(lstVersions, &QListWidget::itemSelectionChanged, this, &HistoryWindow::showDifferences);
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
    // One version: against the card now. Two: the older against the newer.
    QList<QListWidgetItem *> chosen = lstVersions->selectedItems();
    std::sort(chosen.begin(), chosen.end(),
              [this](QListWidgetItem *a, QListWidgetItem *b) { return lstVersions->row(a) > lstVersions->row(b); });
    const QString id = chosen.size() == 1 ? chosen[0]->data(IdRole).toString() : QString();
    cmdRestore->setEnabled(!id.isEmpty());
    lblDifferences->setText(chosen.size() == 2 ? tr("How the newer version differs from the older (A: the older, B: "
                                                    "the newer):")
                                               : tr("How the version differs from the card now (A: the version, B: "
                                                    "the card):"));
    if (chosen.isEmpty() || chosen.size() > 2 || chosen[0]->data(IdRole).toString().isEmpty())
        return;
    const FleetRepository fleet;
    const CardStore::Contents now = m_card->readContents();
    const std::optional<SetupSnapshot> older = fleet.version(m_key, chosen[0]->data(IdRole).toString());
    const std::optional<SetupSnapshot> newer
        = chosen.size() == 2 ? fleet.version(m_key, chosen[1]->data(IdRole).toString()) : std::nullopt;
    if (!older || !now.readable || (chosen.size() == 2 && !newer)) {
        lstDifferences->addItem(tr("The card cannot be read."));
        return;
    }
    const Findings differences
        = compareSetups(contentsOf(*older, now.tracks), newer ? contentsOf(*newer, now.tracks) : now);
    for (const Finding &difference : differences)
        lstDifferences->addItem(findingLine(difference));
    if (differences.isEmpty())
        lstDifferences->addItem(newer ? tr("The two versions hold the same setup.")
                                      : tr("The card holds this version's setup."));
}

void HistoryWindow::restore()
{
    const QList<QListWidgetItem *> chosen = lstVersions->selectedItems();
    const QListWidgetItem *item = chosen.size() == 1 ? chosen[0] : nullptr;
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
        return {};
    auto *window = new HistoryWindow(platform, card, parent);
    window->show();
    return window;
}

} // namespace Vexolo::Ui
