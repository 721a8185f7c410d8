#pragma once

#include <QDialog>

#include <functional>

class PlatformAdapter;
class QComboBox;
class QListWidget;
class QTreeWidget;

namespace Vexolo::Ui {

class PlayersPanel;
class ProductionPanel;

// "Fleet…": the reference chosen, the registered players (PlayersPanel), the production line (ProductionPanel), the
// log, and sync with another computer.
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
    ProductionPanel *production = nullptr;
    QListWidget *lstLog = nullptr;

private:
    void showFleet(const QString &key);

    PlatformAdapter &m_platform;
};

} // namespace Vexolo::Ui
