#pragma once

#include "fleet/fleetrepository.h"
#include "storage/cardsession.h"

#include <QDialog>

#include <functional>
#include <memory>

class PlatformAdapter;
class QLabel;
class QListWidget;
class QPushButton;

namespace Vexolo {
class CardStore;
}

namespace Vexolo::Ui {

// "History…": the versions of a card's setup kept on this computer, newest first, each with what wrote after it;
// what differs between the version chosen and the card now, or between two versions chosen; "Restore" asks, restores it
// through the card's own store, reads it back and tells how it went.
class HistoryWindow final : public QDialog
{
    Q_OBJECT

public:
    HistoryWindow(PlatformAdapter &platform, std::shared_ptr<CardStore> card, QWidget *parent);
    Q_DISABLE_COPY_MOVE(HistoryWindow)

    QLabel *lblCard = nullptr;
    QListWidget *lstVersions = nullptr;
    QLabel *lblDifferences = nullptr;
    QListWidget *lstDifferences = nullptr;
    QPushButton *cmdRestore = nullptr;

Q_SIGNALS:
    // The card's setup was restored: views of the card must read it again.
    void restored();

private:
    // Each reads on the card's worker and shows "Reading…" until its result comes.
    void listVersions();
    void addVersions(const FleetRead<QList<SetupVersion>> &versions);
    void listOlder();
    void showDifferences();
    void restore();

    PlatformAdapter &m_platform;
    std::shared_ptr<CardStore> m_card; // read on the window's thread for its root and identity only
    QString m_key; // empty until the card is identified
    CallId m_comparing = 0;
    int m_listed = 0; // the versions listed so far
};

// Opens the history of the chosen card; nullptr, after a message, when no card is chosen.
HistoryWindow *showHistory(QWidget *parent, PlatformAdapter &platform, const CardStore &store);

} // namespace Vexolo::Ui
