#pragma once

#include <QDialog>
#include <QStringList>

class PlatformAdapter;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QTreeWidget;

namespace Vexolo::Ui {

// "Fleet…": the production line. The reference chosen, the registered players with their last result, and the log;
// with "Apply to each card inserted" ticked, every card mounted from then on is identified (an unregistered one is
// given a player's name first), made to match the reference, verified, logged and, where the desktop's disk service
// is there, unmounted and powered off, with one line of status.
class FleetWindow final : public QDialog
{
    Q_OBJECT

public:
    FleetWindow(PlatformAdapter &platform, QWidget *parent);
    Q_DISABLE_COPY_MOVE(FleetWindow)

    QComboBox *drvReference = nullptr;
    QTreeWidget *lstPlayers = nullptr;
    QCheckBox *chkProduce = nullptr;
    QLabel *lblStatus = nullptr;
    QListWidget *lstLog = nullptr;

private:
    void volumesChanged();
    // Makes the card at root match the reference, and says how it went.
    void produce(const QString &root);
    void showFleet();

    PlatformAdapter &m_platform;
    QStringList m_known; // the volumes mounted when last looked at
};

} // namespace Vexolo::Ui
