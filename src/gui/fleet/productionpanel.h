#pragma once

#include "fleet/productionreport.h"

#include <QList>
#include <QSet>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class PlatformAdapter;
class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace Vexolo::Ui {

// The Fleet window's production line. With "Apply to each card inserted" ticked, every card mounted from then on is
// identified (an unregistered one is given a player's name first), shown to the user with what will be written onto
// it (unless the user said yes for every card), made to match the reference, verified, logged and, where the
// desktop's disk service is there, unmounted and powered off, with one line of status, a count of the cards done and
// a row of the session's report. The steps are the core's (productionline); they run on the card's worker, and the
// panel only asks and shows what each step found.
class ProductionPanel final : public QWidget
{
    Q_OBJECT

public:
    // reference: the reference as the window's box holds it, asked when a card arrives.
    ProductionPanel(PlatformAdapter &platform, std::function<QString()> reference, QWidget *parent);
    Q_DISABLE_COPY_MOVE(ProductionPanel)

    QCheckBox *chkProduce = nullptr;
    QSpinBox *spnCount = nullptr; // the cards to make; 0: one for each player registered
    QLabel *lblCount = nullptr;
    QLabel *lblStatus = nullptr;
    QPushButton *cmdCancel = nullptr;
    QTreeWidget *lstReport = nullptr;
    QPushButton *cmdSaveReport = nullptr;
    QPushButton *cmdPrintReport = nullptr;

Q_SIGNALS:
    // A card was written to, or its player registered: the fleet's register and log have changed.
    void cardDone(const QString &root);

private:
    void placeControls(QLabel *countLabel);
    void volumesChanged();
    // Finds out, on the card's worker, what the volume at root is.
    void receive(const QString &root);
    void received(const Production::Card &card);
    // Asks for the cards waiting: the name of a card without a player, then whether to write it; one question at a
    // time, the cards that arrive meanwhile in turn.
    void askNames();
    std::optional<QString> nameOf(const Production::Card &card);
    bool confirmed(const Production::Card &card, const QString &name);
    // Makes the card match the reference on its worker, and says how it went.
    void produce(const Production::Card &card, const QString &name);
    void produced(const Production::Card &card, const QString &name, const Production::Outcome &outcome);
    void countPlayers();
    void showCount();
    void saveReport();
    void printReport();

    PlatformAdapter &m_platform;
    std::function<QString()> m_reference;
    QStringList m_known; // the volumes mounted when last looked at
    QList<Production::Card> m_unnamed; // cards waiting for a question
    bool m_asking = false;
    bool m_everyCard = false; // the user said yes for every card from now on
    int m_working = 0; // cards being made to match
    std::shared_ptr<std::atomic<bool>> m_keepGoing; // false once Cancel is pressed
    qsizetype m_players = 0; // registered, as last read
    QSet<QString> m_done; // the cards verified, by key
    QList<Production::ReportRow> m_report;
};

} // namespace Vexolo::Ui
