#pragma once

#include <QDialog>

class PlatformAdapter;
class QComboBox;
class QListWidget;
class QTreeWidget;

namespace Vexolo::Ui {

class ProductionPanel;

// "Fleet…": the production line. The reference chosen, the registered players with their last result, the production
// line itself (ProductionPanel) and the log.
class FleetWindow final : public QDialog
{
    Q_OBJECT

public:
    FleetWindow(PlatformAdapter &platform, QWidget *parent);
    Q_DISABLE_COPY_MOVE(FleetWindow)

    QComboBox *drvReference = nullptr;
    QTreeWidget *lstPlayers = nullptr;
    ProductionPanel *production = nullptr;
    QListWidget *lstLog = nullptr;

private:
    void showFleet(const QString &key);

    PlatformAdapter &m_platform;
};

} // namespace Vexolo::Ui
