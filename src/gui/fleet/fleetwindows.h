#pragma once

#include "reports/findings.h"
#include "storage/programnumber.h"

#include <QDialog>
#include <QListView>

#include <functional>
#include <memory>

class PlatformAdapter;
class QComboBox;
class QLineEdit;

namespace Vexolo {
class CardStore;
class ProgramOverview;
} // namespace Vexolo

namespace Vexolo::Ui {

class FindingsWindow;

// Asks for another card: a mounted volume or a typed folder path. chosen() on OK.
class CardChooser final : public QDialog
{
    Q_OBJECT

public:
    CardChooser(const QString &title, const QStringList &volumes, const QString &current, QWidget *parent);
    Q_DISABLE_COPY_MOVE(CardChooser)

    QComboBox *drvOther = nullptr;

Q_SIGNALS:
    void chosen(const QString &path);
};

// The chosen card for a window of its own: a store that stays on this very card, so a card chosen later in the main
// window never receives a repair, a copy or a restore meant for this one; nullptr, after a message, when none is
// chosen. It touches no card: the window's calls find out whether the card is still there.
std::shared_ptr<CardStore> sameCard(PlatformAdapter &platform, const CardStore &store);

// The entries of the card list's context menu. Each opens its window and returns it (nullptr, after
// a message, when no card is chosen). A window stays with the card chosen when it opened: its own
// card store, so a card chosen later in the main window is never written by it.
// "Check Card…": the findings of the chosen card, a repair button for each certain repair.
// goTo: a double click on a finding, to show its place.
FindingsWindow *showCardCheck(QWidget *parent, PlatformAdapter &platform, const CardStore &store,
                              std::function<void(const Finding &)> goTo = {});
// "Compare With Another Card…": asks for the other card, then shows where the setups differ.
CardChooser *showCardCompare(QWidget *parent, PlatformAdapter &platform, const CardStore &store);
// "Copy Setup to Another Card…": asks for the target, shows what would be written, and copies on
// "Copy Setup" once the user agrees; the copy is read back before it is reported as done.
CardChooser *showSetupCopy(QWidget *parent, PlatformAdapter &platform, const CardStore &store);

// The ten programs at a glance, dropping down from the number field on a click or Ctrl+L.
// Choosing a row sends programChosen with its number; the window loads it as it does for "+" and "-".
class ProgramList final : public QListView
{
    Q_OBJECT

public:
    ProgramList(QLineEdit *numberField, ProgramOverview &programs);
    Q_DISABLE_COPY_MOVE(ProgramList)

    void popUp();

Q_SIGNALS:
    // Before the list shows: the place to bring the overview up to date with the chosen card.
    void aboutToPopUp();
    void programChosen(Vexolo::ProgramNumber number);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void choose(const QModelIndex &index);

    QLineEdit *m_field;
};

} // namespace Vexolo::Ui
