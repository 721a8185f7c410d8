#include "fleet/playerspanel.h"

#include "platform/platformadapter.h"
#include "storage/cardsession.h"
#include "words/cardwords.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Vexolo::Ui {

namespace {

enum Column { Name, Card, Location, LastApply, Result, UpToDate };

// The players as read, and the fleet's folders of branch tips there are to watch.
struct PanelRead
{
    PlayersTable table;
    QStringList watched;
};

// Registers the card at root under name, its location and notes kept where it has a player already; the refusal or
// failure, empty when it is registered.
QString registerAt(const QString &root, const QString &name)
{
    const CardStore card(root);
    if (!card.identity().isValid())
        return QObject::tr("%1: no card folder there").arg(root);
    if (const QStringList clones = sharingIdentity(labelOf(card)); !clones.isEmpty())
        return QObject::tr("%1 has the same identity as the card at %2 (a copy of it): nothing was registered. Give "
                           "it an identity of its own first (see the README).")
            .arg(root, clones.join(QStringLiteral(", ")));
    FleetRepository fleet;
    Player player = playerFor(card, name);
    if (const std::optional<Player> was = fleet.player(player.key).value) {
        player.location = was->location;
        player.notes = was->notes;
    }
    const FleetChange registered = fleet.registerPlayer(player);
    return registered.failed() ? fleetChangeText(registered) : QString();
}

} // namespace

PlayersPanel::PlayersPanel(PlatformAdapter &platform, std::function<QString()> chosenCard,
                           std::function<QString()> reference, QWidget *parent)
    : QWidget(parent)
    , m_platform(platform)
    , m_chosenCard(std::move(chosenCard))
    , m_reference(std::move(reference))
{
    lstPlayers = new QTreeWidget(this);
    lstPlayers->setObjectName(QStringLiteral("lstPlayers"));
    lstPlayers->setRootIsDecorated(false);
    lstPlayers->setHeaderLabels(
        {tr("Player"), tr("Card"), tr("Location"), tr("Last apply"), tr("Result"), tr("Up to date")});
    auto *buttons = new QVBoxLayout;
    const auto button = [this, buttons](QPushButton *&made, const QString &text, const char *name) {
        made = new QPushButton(text, this);
        made->setObjectName(QLatin1StringView(name));
        buttons->addWidget(made);
    };
    button(cmdRegister, tr("Re&gister"), "cmdRegister");
    button(cmdRename, tr("Re&name…"), "cmdRename");
    button(cmdLocation, tr("L&ocation…"), "cmdLocation");
    button(cmdNotes, tr("No&tes…"), "cmdNotes");
    button(cmdForget, tr("&Forget…"), "cmdForget");
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins({});
    layout->addWidget(lstPlayers, 1);
    layout->addLayout(buttons);

    connect(cmdRegister, &QPushButton::clicked, this, &PlayersPanel::registerCard);
    connect(cmdRename, &QPushButton::clicked, this, [this] {
        askAndChange(tr("The new name of %1:"), [](FleetRepository &fleet, const QString &key, const QString &text) {
            return fleet.renamePlayer(key, text);
        });
    });
    connect(cmdLocation, &QPushButton::clicked, this, [this] {
        askAndChange(tr("Where %1 is (empty for nowhere):"),
                     [](FleetRepository &fleet, const QString &key, const QString &text) {
                         return fleet.setPlayerLocation(key, text.trimmed());
                     });
    });
    connect(cmdNotes, &QPushButton::clicked, this, [this] {
        askAndChange(tr("Notes on %1 (they take the place of those there):"),
                     [](FleetRepository &fleet, const QString &key, const QString &text) {
                         return fleet.setPlayerNotes(key, text.trimmed());
                     });
    });
    connect(cmdForget, &QPushButton::clicked, this, [this] {
        const std::optional<Player> player = selected();
        if (!player
            || m_platform.MsgBox(tr("Forget %1, the player of the card %2? The card's history is kept.")
                                     .arg(player->name, playerCardText(*player)),
                                 PlatformAdapter::QuestionYesNo | PlatformAdapter::DefaultSecond)
                != PlatformAdapter::AnswerYes)
            return;
        change([key = player->key](FleetRepository &fleet) { return fleet.forgetPlayer(key); });
    });
    connect(lstPlayers, &QTreeWidget::itemSelectionChanged, this, [this] {
        for (QPushButton *each : {cmdRename, cmdLocation, cmdNotes, cmdForget})
            each->setEnabled(selected().has_value());
    });
    // A card written anywhere may be a player's new apply or version; another program may change the fleet.
    connect(&CardSession::instance(), &CardSession::cardChanged, this, &PlayersPanel::refresh);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &PlayersPanel::refresh);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &PlayersPanel::refresh);
    Q_EMIT lstPlayers->itemSelectionChanged();
    refresh();
}

void PlayersPanel::refresh()
{
    if (std::exchange(m_reading, true)) {
        m_readAgain = true;
        return;
    }
    const QString reference = m_reference();
    // The reference is read on its own card's worker; without one, the fleet's.
    CardSession::instance().run<PanelRead>(
        reference.isEmpty() ? FleetRepository::defaultPath() : reference, this,
        [reference] {
            const FleetRepository fleet;
            const CardStore store(reference);
            PanelRead read {playersTable(fleet, store.identity().isValid() ? &store : nullptr), {}};
            // The branches' tips: another program's change of the register, the log or a card's versions moves one.
            const QString refs = fleet.path() + QStringLiteral("/refs/heads");
            for (const QString &folder : {refs, refs + QStringLiteral("/cards")}) {
                if (QFileInfo(folder).isDir())
                    read.watched.append(folder);
            }
            return read;
        },
        [this](const PanelRead &read) {
            m_reading = false;
            show(read.table);
            for (const QString &folder : read.watched) {
                if (!m_watcher.directories().contains(folder))
                    m_watcher.addPath(folder);
            }
            if (std::exchange(m_readAgain, false))
                refresh();
        });
}

void PlayersPanel::show(const PlayersTable &table)
{
    const QString key = selected() ? selected()->key : QString();
    lstPlayers->clear();
    m_players.clear();
    for (const PlayerRow &row : table.rows) {
        m_players.append(row.player); // first: the row selected again enables the buttons
        const LogLine *last = row.last ? &*row.last : nullptr;
        auto *item = new QTreeWidgetItem(
            lstPlayers,
            {row.player.name, playerCardText(row.player), row.player.location,
             last ? QLocale().toString(last->time.toLocalTime(), QLocale::ShortFormat) : QString(),
             last ? last->result : QString(), row.standing ? standingText(*row.standing) : QString()});
        item->setToolTip(Card, row.player.key);
        item->setToolTip(Location, row.player.notes);
        item->setData(Name, Qt::UserRole, row.player.key);
        item->setSelected(row.player.key == key);
    }
    for (const QString &error : table.errors)
        new QTreeWidgetItem(lstPlayers, {error});
    lstPlayers->header()->resizeSections(QHeaderView::ResizeToContents);
}

std::optional<Player> PlayersPanel::selected() const
{
    const QList<QTreeWidgetItem *> items = lstPlayers->selectedItems();
    const QString key = items.isEmpty() ? QString() : items.constFirst()->data(Name, Qt::UserRole).toString();
    for (const Player &player : m_players) {
        if (player.key == key)
            return player;
    }
    return std::nullopt;
}

void PlayersPanel::registerCard()
{
    QString root = m_chosenCard ? m_chosenCard() : QString();
    if (root.isEmpty()) {
        const std::optional<QString> given
            = m_platform.askText(tr("No card is chosen in the main window. The folder of the card to register:"));
        root = given ? QDir::cleanPath(given->trimmed()) : QString();
    }
    if (root.isEmpty())
        return;
    const std::optional<QString> name = m_platform.askText(tr("The name of the player of the card %1:").arg(root));
    if (!name || name->trimmed().isEmpty())
        return;
    CardSession::instance().run<QString>(
        root, this, [root, name = *name] { return registerAt(root, name); },
        [this](const QString &refused) {
            if (!refused.isEmpty())
                m_platform.MsgBox(refused, PlatformAdapter::Caution);
            else
                CardSession::instance().tell({}, CardChange::playersChanged());
            refresh();
        });
}

void PlayersPanel::askAndChange(
    const QString &question,
    std::function<FleetChange(FleetRepository &, const QString &key, const QString &text)> changed)
{
    const std::optional<Player> player = selected();
    if (!player)
        return;
    const std::optional<QString> text = m_platform.askText(question.arg(player->name));
    if (!text)
        return;
    change([changed = std::move(changed), key = player->key, text = *text](FleetRepository &fleet) {
        return changed(fleet, key, text);
    });
}

void PlayersPanel::change(std::function<FleetChange(FleetRepository &)> work)
{
    CardSession::instance().run<FleetChange>(
        FleetRepository::defaultPath(), this,
        [work = std::move(work)] {
            FleetRepository fleet;
            return work(fleet);
        },
        [this](const FleetChange &done) {
            if (done.failed())
                m_platform.MsgBox(fleetChangeText(done), PlatformAdapter::Caution);
            else
                CardSession::instance().tell({}, CardChange::playersChanged());
            refresh();
        });
}

} // namespace Vexolo::Ui
