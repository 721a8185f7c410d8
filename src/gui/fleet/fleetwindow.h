#pragma once

#include "fleet/productionline.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class PlatformAdapter;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace Vexolo::Ui {

class PlayersPanel;

// "Fleet…": the production line. The reference chosen, the registered players with their last result, and the log;
// with "Apply to each card inserted" ticked, every card mounted from then on is identified (an unregistered one is
// given a player's name first), made to match the reference, verified, logged and, where the desktop's disk service
// is there, unmounted and powered off, with one line of status. The steps are the core's (productionline); they run
// on the card's worker, and the window only asks the name and shows what each step found.
class FleetWindow final : public QDialog
{
    Q_OBJECT

public:
    // chosenCard: the root of the card chosen in the main window, for Register; empty when none.
    FleetWindow(PlatformAdapter &platform, QWidget *parent, std::function<QString()> chosenCard = {});
    Q_DISABLE_COPY_MOVE(FleetWindow)

    QComboBox *drvReference = nullptr;
    PlayersPanel *players = nullptr;
    QTreeWidget *lstPlayers = nullptr; // the players panel's
    QCheckBox *chkProduce = nullptr;
    QLabel *lblStatus = nullptr;
    QPushButton *cmdCancel = nullptr;
    QListWidget *lstLog = nullptr;

private:
    void volumesChanged();
    // Finds out, on the card's worker, what the volume at root is.
    void receive(const QString &root);
    void received(const Production::Card &card);
    // Asks the names of the cards waiting for one, one question at a time.
    void askNames();
    // Makes the card match the reference on its worker, and says how it went.
    void produce(const Production::Card &card, const QString &name);
    void produced(const QString &name, const Production::Outcome &outcome);
    void showFleet(const QString &key);

    PlatformAdapter &m_platform;
    QStringList m_known; // the volumes mounted when last looked at
    QList<Production::Card> m_unnamed; // cards waiting for their player's name
    bool m_asking = false;
    int m_working = 0; // cards being made to match
    std::shared_ptr<std::atomic<bool>> m_keepGoing; // false once Cancel is pressed
};

} // namespace Vexolo::Ui
