#include "findingswindow.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace Vexolo::Ui {

namespace {

enum Column { PlaceColumn, MessageColumn, RepairColumn, ColumnCount };

QString repairCaption(const Repair &repair)
{
    switch (repair.action) {
    case Repair::RewriteProgram:
        return FindingsWindow::tr("Rewrite File");
    case Repair::RewriteCommandFile:
        return FindingsWindow::tr("Rename Settings");
    case Repair::RemoveCommandFile:
    case Repair::RemoveLeftovers:
        return FindingsWindow::tr("Remove");
    case Repair::WriteListing:
        return FindingsWindow::tr("Write Listing");
    case Repair::None:
        break;
    }
    return FindingsWindow::tr("Repair");
}

} // namespace

FindingsWindow::FindingsWindow(const QString &title, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 420);
    lblHeading = new QLabel(this);
    lblHeading->setObjectName(QStringLiteral("lblHeading"));
    lblHeading->setWordWrap(true);
    lblHeading->setTextFormat(Qt::PlainText);
    lblHeading->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lstFindings = new QTreeWidget(this);
    lstFindings->setObjectName(QStringLiteral("lstFindings"));
    lstFindings->setColumnCount(ColumnCount);
    lstFindings->setHeaderLabels({tr("Place"), tr("What is wrong"), tr("Repair")});
    lstFindings->setRootIsDecorated(false);
    lstFindings->setWordWrap(true);
    lstFindings->setAccessibleName(tr("Findings"));
    lstFindings->header()->setSectionResizeMode(MessageColumn, QHeaderView::Stretch);
    lstFindings->header()->setStretchLastSection(false);
    lstFindings->setColumnWidth(PlaceColumn, 240);
    cmdCopyReport = new QPushButton(tr("Copy Report"), this);
    cmdCopyReport->setObjectName(QStringLiteral("cmdCopyReport"));
    cmdAction = new QPushButton(this);
    cmdAction->setObjectName(QStringLiteral("cmdAction"));
    cmdAction->hide();
    cmdClose = new QPushButton(tr("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdCopyReport);
    buttons->addStretch();
    buttons->addWidget(cmdAction);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHeading);
    layout->addWidget(lstFindings);
    layout->addLayout(buttons);

    connect(cmdCopyReport, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(reportText()); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
}

QPushButton *FindingsWindow::addAction(const QString &caption)
{
    cmdAction->setText(caption);
    cmdAction->setAccessibleName(caption);
    cmdAction->show();
    return cmdAction;
}

void FindingsWindow::setReport(const QString &heading, const Findings &findings, const QString &whenNone)
{
    m_findings = findings;
    m_whenNone = whenNone;
    lblHeading->setText(heading);
    lstFindings->clear();
    if (findings.isEmpty()) {
        auto *item = new QTreeWidgetItem(lstFindings);
        item->setText(MessageColumn, whenNone);
        item->setFlags(Qt::ItemIsEnabled);
        return;
    }
    const bool repairs
        = std::any_of(findings.cbegin(), findings.cend(), [](const Finding &f) { return f.repair.isCertain(); });
    lstFindings->setColumnHidden(RepairColumn, !repairs);
    // Every row as high as a button, so the rows with one and those without line up.
    const int rowHeight = QPushButton(tr("Repair")).sizeHint().height();
    for (const Finding &finding : findings) {
        auto *item = new QTreeWidgetItem(lstFindings, {finding.place, finding.message});
        item->setSizeHint(PlaceColumn, QSize(0, rowHeight));
        item->setToolTip(PlaceColumn, finding.place);
        item->setToolTip(MessageColumn, finding.message);
        if (!finding.repair.isCertain())
            continue;
        auto *repair = new QPushButton(repairCaption(finding.repair), lstFindings);
        repair->setToolTip(finding.repair.words);
        repair->setAccessibleName(tr("Repair: %1").arg(finding.repair.words));
        // Queued: the repair refills the list, which deletes this very button.
        connect(
            repair, &QPushButton::clicked, this,
            [this, finding] {
                if (onRepair)
                    onRepair(finding);
            },
            Qt::QueuedConnection);
        lstFindings->setItemWidget(item, RepairColumn, repair);
    }
}

QString FindingsWindow::reportText() const
{
    return lblHeading->text() + u'\n' + (m_findings.isEmpty() ? m_whenNone + u'\n' : findingsText(m_findings));
}

} // namespace Vexolo::Ui
