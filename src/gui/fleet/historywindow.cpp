#include "fleet/historywindow.h"

#include "fleet/fleet.h"
#include "fleet/fleetwindows.h"
#include "fleet/setupchanges.h"
#include "platform/platformadapter.h"
#include "show/trackmedia.h"
#include "words/findingwords.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace Vexolo::Ui {

namespace {

constexpr int IdRole = Qt::UserRole;
constexpr int MoreRole = Qt::UserRole + 1; // the last row, that reads the next page of older versions

QString timeText(const QDateTime &time)
{
    return QLocale().toString(time.toLocalTime(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The card's history as the worker reads it: who the card is (the disk service or libblkid), its player, its versions.
struct History
{
    QString key;
    std::optional<Player> player;
    FleetRead<QList<SetupVersion>> versions;
    QString fleetError; // the register cannot be read: why
};

History readHistory(const CardChoice &choice)
{
    const CardStore card(choice);
    History history;
    history.key = labelOf(card).key;
    const FleetRepository fleet;
    const FleetRead<std::optional<Player>> player = fleet.player(history.key);
    history.versions = fleet.history(history.key, 0, FleetRepository::HistoryPage);
    history.player = player.value;
    history.fleetError = history.versions.failed() ? history.versions.error : player.error;
    return history;
}

// How a version differs from the card now (no newer one) or from a newer version.
struct Differences
{
    bool readable = false;
    QString fleetError; // a version cannot be read: why
    QStringList lines;
};

Differences compareVersions(const CardChoice &choice, const QString &key, const QString &older, const QString &newer,
                            TimeUnit unit)
{
    const CardStore card(choice);
    const FleetRepository fleet;
    const CardStore::Contents now = card.readSetup(); // as the versions were recorded, the listing too
    const FleetRead<std::optional<SetupSnapshot>> readA = fleet.version(key, older);
    const FleetRead<std::optional<SetupSnapshot>> readB
        = newer.isEmpty() || readA.failed() ? decltype(readB)() : fleet.version(key, newer);
    const std::optional<SetupSnapshot> &a = readA.value;
    const std::optional<SetupSnapshot> &b = readB.value;
    Differences differences;
    differences.fleetError = readA.failed() ? readA.error : readB.error;
    differences.readable = a && now.readable && (newer.isEmpty() || b);
    if (!differences.readable)
        return differences;
    differences.lines = setupChanges(*a, b ? *b : snapshotOf(now), unit);
    return differences;
}

} // namespace

HistoryWindow::HistoryWindow(PlatformAdapter &platform, std::shared_ptr<CardStore> card, QWidget *parent)
    : QDialog(parent)
    , m_platform(platform)
    , m_card(std::move(card))
{
    setWindowTitle(tr("History"));
    setAttribute(Qt::WA_DeleteOnClose);
    lblCard = new QLabel(tr("Card %1%2 (%3)").arg(m_card->root(), QString(), tr("Reading…")), this);
    lblCard->setWordWrap(true);
    lstVersions = new QListWidget(this);
    lstVersions->setObjectName(QStringLiteral("lstVersions"));
    lstDifferences = new QListWidget(this);
    lstDifferences->setObjectName(QStringLiteral("lstDifferences"));
    // Long lines wrap: nothing is ever cut off or hidden past a scroll bar.
    lstDifferences->setWordWrap(true);
    lstDifferences->setTextElideMode(Qt::ElideNone);
    lstDifferences->setResizeMode(QListView::Adjust);
    lstDifferences->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
    m_listed = 0;
    {
        const QSignalBlocker quiet(lstVersions);
        lstVersions->clear();
        lstVersions->addItem(tr("Reading…"));
    }
    showDifferences();
    const CardChoice choice {m_card->root(), m_card->identity(), {}, {}};
    CardSession::instance().run<History>(
        choice.root, this, [choice] { return readHistory(choice); },
        [this](History history) {
            m_key = history.key;
            lblCard->setText(tr("Card %1%2 (%3)")
                                 .arg(m_card->root(),
                                      history.player ? tr(", player %1").arg(history.player->name) : QString(), m_key));
            const QSignalBlocker quiet(lstVersions);
            lstVersions->clear();
            addVersions(history.versions);
            if (lstVersions->count() == 0)
                lstVersions->addItem(history.fleetError.isEmpty()
                                         ? tr("Nothing has been written to this card from this computer yet.")
                                         : history.fleetError);
            else if (!history.versions.failed() && !history.fleetError.isEmpty())
                lblCard->setText(lblCard->text() + u'\n' + history.fleetError);
            lstVersions->setCurrentRow(0);
            showDifferences();
        });
}

// The versions after those listed, a page at a time, so a long history never fills the list at once.
void HistoryWindow::addVersions(const FleetRead<QList<SetupVersion>> &versions)
{
    const QSignalBlocker quiet(lstVersions);
    if (lstVersions->count() > 0 && lstVersions->item(lstVersions->count() - 1)->data(MoreRole).toBool())
        delete lstVersions->takeItem(lstVersions->count() - 1);
    for (const SetupVersion &version : versions.value) {
        auto *item = new QListWidgetItem(tr("%1  %2, %3").arg(version.id, timeText(version.time), versionWhen(version)),
                                         lstVersions);
        item->setData(IdRole, version.id);
    }
    m_listed += int(versions.value.size());
    if (versions.failed())
        lstVersions->addItem(versions.error);
    else if (versions.value.size() == FleetRepository::HistoryPage)
        lstVersions->addItem(tr("Older versions…"));
    if (lstVersions->count() > 0 && versions.value.size() == FleetRepository::HistoryPage)
        lstVersions->item(lstVersions->count() - 1)->setData(MoreRole, true);
}

void HistoryWindow::listOlder()
{
    const CardChoice choice {m_card->root(), m_card->identity(), {}, {}};
    lstVersions->item(lstVersions->count() - 1)->setText(tr("Reading…"));
    lstVersions->item(lstVersions->count() - 1)->setData(MoreRole, QVariant());
    CardSession::instance().run<FleetRead<QList<SetupVersion>>>(
        choice.root, this,
        [key = m_key, skip = m_listed] { return FleetRepository().history(key, skip, FleetRepository::HistoryPage); },
        [this](FleetRead<QList<SetupVersion>> versions) {
            delete lstVersions->takeItem(lstVersions->count() - 1);
            addVersions(versions);
        });
}

void HistoryWindow::showDifferences()
{
    CardSession::instance().abandon(std::exchange(m_comparing, 0)); // what the last choice asked is not shown
    lstDifferences->clear();
    // One version: against the card now. Two: the older against the newer.
    QList<QListWidgetItem *> chosen = lstVersions->selectedItems();
    std::sort(chosen.begin(), chosen.end(),
              [this](QListWidgetItem *a, QListWidgetItem *b) { return lstVersions->row(a) > lstVersions->row(b); });
    if (chosen.size() == 1 && chosen[0]->data(MoreRole).toBool()) {
        listOlder();
        return;
    }
    const QString id = chosen.size() == 1 ? chosen[0]->data(IdRole).toString() : QString();
    cmdRestore->setEnabled(!id.isEmpty());
    lblDifferences->setText(chosen.size() == 2 ? tr("What changed from the older version to the newer:")
                                               : tr("What changed on the card since this version:"));
    if (chosen.isEmpty() || chosen.size() > 2 || chosen[0]->data(IdRole).toString().isEmpty())
        return;
    const CardChoice choice {m_card->root(), m_card->identity(), {}, {}};
    const QString older = chosen[0]->data(IdRole).toString();
    const QString newer = chosen.size() == 2 ? chosen[1]->data(IdRole).toString() : QString();
    lstDifferences->addItem(tr("Reading…"));
    m_comparing = CardSession::instance().run<Differences>(
        choice.root, this,
        [choice, key = m_key, older, newer, unit = rememberedUnit()] {
            return compareVersions(choice, key, older, newer, unit);
        },
        [this, two = !newer.isEmpty()](Differences differences) {
            m_comparing = 0;
            lstDifferences->clear();
            if (!differences.fleetError.isEmpty())
                lstDifferences->addItem(differences.fleetError);
            else if (!differences.readable)
                lstDifferences->addItem(tr("The card cannot be read."));
            lstDifferences->addItems(differences.lines);
            if (differences.readable && differences.lines.isEmpty())
                lstDifferences->addItem(two ? tr("The two versions hold the same setup.")
                                            : tr("The card holds this version's setup."));
        });
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
    cmdRestore->setEnabled(false);
    const CardChoice choice {m_card->root(), m_card->identity(), {}, {}};
    CardSession::instance().run<FleetResult>(
        choice.root, this,
        [choice, id = item->data(IdRole).toString()] {
            CardStore card(choice);
            FleetRepository fleet;
            return restoreVersion(fleet, card, id, false);
        },
        [this](FleetResult result) {
            QStringList problems;
            for (const Finding &problem : result.refusal + result.problems)
                problems.append(findingLine(problem));
            const QString done
                = tr("The card's setup is restored and reads back the same (files changed: %1).").arg(result.files);
            if (!problems.isEmpty())
                m_platform.warn(tr("The restore failed:\n%1").arg(problems.join(u'\n')));
            else if (result.logged.failed()) // the card is right; what the fleet knows of it is not
                m_platform.warn(done + u'\n' + fleetChangeText(result.logged));
            else
                m_platform.tell(done);
            Q_EMIT restored();
            listVersions();
        },
        CardSession::Mode::Write);
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
