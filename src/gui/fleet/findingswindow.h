#pragma once

#include "reports/findings.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTreeView;

namespace Vexolo::Ui {

// A report of findings, one row each: place, what is wrong and, where the repair is certain, a
// button that carries it out. "Copy Report" puts the report on the clipboard as text. A model and a
// view: a card of a hundred thousand findings is shown as fast as one of ten.
class FindingsWindow final : public QDialog
{
    Q_OBJECT

public:
    FindingsWindow(const QString &title, QWidget *parent);
    Q_DISABLE_COPY_MOVE(FindingsWindow)

    // heading above the list; whenNone in the list's place when there are no findings.
    void setReport(const QString &heading, const Findings &findings, const QString &whenNone);
    // The report as "Copy Report" copies it: the heading, then one "PLACE: WORDS" line per finding.
    QString reportText() const;
    // The findings shown.
    const Findings &findings() const { return m_findings; }
    // Called by a finding's repair button (a click on it, or Return on its row's repair cell).
    std::function<void(const Finding &)> onRepair;
    // Called by a double click on a finding: goes to its place.
    std::function<void(const Finding &)> onOpen;
    // A button of the window's own beside "Copy Report" (such as "Copy Setup"); hidden until added.
    QPushButton *cmdAction = nullptr;
    QPushButton *addAction(const QString &caption);

    QLabel *lblHeading = nullptr;
    QTreeView *lstFindings = nullptr;
    QPushButton *cmdCopyReport = nullptr;
    // "Check Again", beside "Copy Report"; hidden unless the report can be made anew.
    QPushButton *cmdCheckAgain = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    void repair(const QModelIndex &index);

    Findings m_findings;
    QString m_whenNone;
};

} // namespace Vexolo::Ui
