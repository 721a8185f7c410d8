#pragma once

#include "fleet/players.h"

#include <QFileSystemWatcher>
#include <QWidget>

#include <functional>

class PlatformAdapter;
class QPushButton;
class QTreeWidget;

namespace Vexolo::Ui {

// The Fleet window's players: each with its card's label and size, location, last apply and its result and, with a
// reference, whether its last known setup matches it; and the buttons that register the chosen card and rename,
// locate, note or forget the player selected. The list follows every change: its own, a card written anywhere in
// the program, and the fleet's data changed by another program. The fleet is read and written on a worker.
class PlayersPanel final : public QWidget
{
    Q_OBJECT

public:
    // chosenCard: the root of the card chosen in the main window, empty when none; reference: the reference's folder,
    // empty when none.
    PlayersPanel(PlatformAdapter &platform, std::function<QString()> chosenCard, std::function<QString()> reference,
                 QWidget *parent);
    Q_DISABLE_COPY_MOVE(PlayersPanel)

    // Reads the players anew; the list is replaced once they are read.
    void refresh();

    QTreeWidget *lstPlayers = nullptr;
    QPushButton *cmdRegister = nullptr;
    QPushButton *cmdRename = nullptr;
    QPushButton *cmdLocation = nullptr;
    QPushButton *cmdNotes = nullptr;
    QPushButton *cmdForget = nullptr;

private:
    void show(const PlayersTable &table);
    void registerCard();
    // The player selected; none when no row is.
    std::optional<Player> selected() const;
    // Asks one line of text of the player selected, and changes the register with it.
    void askAndChange(const QString &question,
                      std::function<FleetChange(FleetRepository &, const QString &key, const QString &text)> change);
    // Changes the register on the worker, says a refusal or failure, and reads the players anew.
    void change(std::function<FleetChange(FleetRepository &)> work);

    PlatformAdapter &m_platform;
    std::function<QString()> m_chosenCard;
    std::function<QString()> m_reference;
    QFileSystemWatcher m_watcher;
    QList<Player> m_players;
    bool m_reading = false;
    bool m_readAgain = false; // a change came while the players were being read
};

} // namespace Vexolo::Ui
