#include "findingswindow.h"
#include "words/findingwords.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace Vexolo::Ui {

namespace {

enum Column { PlaceColumn, MessageColumn, RepairColumn, ColumnCount };
// Up to this many findings, long ones wrap onto more lines; a longer report keeps rows of one height, laid out at once.
constexpr qsizetype WrappedFindings = 500;

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

// The findings as rows; the text "when none" as the one row of an empty report.
class FindingsModel final : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setFindings(Findings findings, QString whenNone)
    {
        beginResetModel();
        m_findings = std::move(findings);
        m_whenNone = std::move(whenNone);
        endResetModel();
    }
    const Finding *finding(const QModelIndex &index) const
    {
        return index.isValid() && index.row() < m_findings.size() ? &m_findings.at(index.row()) : nullptr;
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(std::max<qsizetype>(m_findings.size(), 1));
    }
    int columnCount(const QModelIndex & = {}) const override { return ColumnCount; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        Q_UNUSED(orientation); // a tree view has no other
        if (role != Qt::DisplayRole)
            return {};
        return QStringList {FindingsWindow::tr("Place"), FindingsWindow::tr("What is wrong"),
                            FindingsWindow::tr("Repair")}
            .value(section);
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const Finding *found = finding(index);
        if (!found)
            return role == Qt::DisplayRole && index.column() == MessageColumn ? QVariant(m_whenNone) : QVariant();
        const bool text = role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole;
        if (index.column() == RepairColumn && found->repair.isCertain()) {
            if (role == Qt::ToolTipRole)
                return repairWords(found->repair);
            return text ? QVariant(repairCaption(found->repair)) : QVariant();
        }
        if (!text || index.column() == RepairColumn)
            return {};
        return index.column() == PlaceColumn ? findingPlace(*found) : findingMessage(*found);
    }

private:
    Findings m_findings;
    QString m_whenNone;
};

// Draws a row's repair as the push button it acts as.
class RepairDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QString caption = index.data().toString();
        if (caption.isEmpty())
            return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionButton button;
        button.rect = option.rect.adjusted(2, 1, -2, -1);
        button.text = caption;
        button.state = option.state | QStyle::State_Enabled | QStyle::State_Raised;
        QApplication::style()->drawControl(QStyle::CE_PushButton, &button, painter);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index).expandedTo(QPushButton(index.data().toString()).sizeHint());
    }
};

// A finding's place and words, wrapped at the column's width: the view itself sizes a row as one line.
class WrappingDelegate final : public QStyledItemDelegate
{
public:
    explicit WrappingDelegate(QTreeView *view)
        : QStyledItemDelegate(view)
        , m_view(view)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (m_view->uniformRowHeights())
            return size;
        // The margins and the wrapping the style draws the text with.
        const int margin = m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1;
        QTextOption wrap;
        wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        QTextLayout layout(index.data().toString(), option.font);
        layout.setTextOption(wrap);
        layout.beginLayout();
        qreal height = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(std::max(1, m_view->columnWidth(index.column()) - 2 * margin));
            height += line.height();
        }
        layout.endLayout();
        return {size.width(), std::max(size.height(), qCeil(height) + 2)};
    }

private:
    QTreeView *m_view;
};

// Wide enough for the widest repair button whole, as the delegate draws it.
int repairColumnWidth()
{
    int width = 0;
    for (const Repair::Action action :
         {Repair::RewriteProgram, Repair::RewriteCommandFile, Repair::RemoveCommandFile, Repair::WriteListing})
        width = std::max(width, QPushButton(repairCaption({action, {}})).sizeHint().width());
    return width + 8;
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
    lstFindings = new QTreeView(this);
    lstFindings->setObjectName(QStringLiteral("lstFindings"));
    lstFindings->setModel(new FindingsModel(lstFindings));
    lstFindings->setItemDelegate(new WrappingDelegate(lstFindings));
    lstFindings->setItemDelegateForColumn(RepairColumn, new RepairDelegate(lstFindings));
    lstFindings->setRootIsDecorated(false);
    lstFindings->setWordWrap(true);
    lstFindings->setAccessibleName(tr("Findings"));
    lstFindings->header()->setSectionResizeMode(MessageColumn, QHeaderView::Stretch);
    lstFindings->header()->setStretchLastSection(false);
    lstFindings->header()->setSectionResizeMode(RepairColumn, QHeaderView::Fixed);
    lstFindings->setColumnWidth(PlaceColumn, 240);
    lstFindings->setColumnWidth(RepairColumn, repairColumnWidth());
    // Wrapped rows take the height their text needs at the column's new width.
    // The list alone: a resize while the window is being destroyed still reaches it.
    connect(lstFindings->header(), &QHeaderView::sectionResized, lstFindings, [list = lstFindings] {
        if (!list->uniformRowHeights())
            list->doItemsLayout();
    });
    // Queued: the repair refills the list, which the click is still being handled on.
    connect(lstFindings, &QTreeView::clicked, this, &FindingsWindow::repair, Qt::QueuedConnection);
    connect(lstFindings, &QTreeView::activated, this, &FindingsWindow::repair, Qt::QueuedConnection);
    connect(lstFindings, &QTreeView::doubleClicked, this, [this](const QModelIndex &index) {
        const Finding *finding = static_cast<FindingsModel *>(lstFindings->model())->finding(index);
        if (finding && index.column() != RepairColumn && onOpen)
            onOpen(Finding(*finding));
    });
    cmdCopyReport = new QPushButton(tr("Copy Report"), this);
    cmdCopyReport->setObjectName(QStringLiteral("cmdCopyReport"));
    cmdCheckAgain = new QPushButton(tr("Check Again"), this);
    cmdCheckAgain->setObjectName(QStringLiteral("cmdCheckAgain"));
    cmdCheckAgain->hide();
    cmdAction = new QPushButton(this);
    cmdAction->setObjectName(QStringLiteral("cmdAction"));
    cmdAction->hide();
    cmdClose = new QPushButton(tr("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdCopyReport);
    buttons->addWidget(cmdCheckAgain);
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
    lstFindings->setUniformRowHeights(findings.size() > WrappedFindings);
    static_cast<FindingsModel *>(lstFindings->model())->setFindings(findings, whenNone);
    lstFindings->setColumnHidden(RepairColumn, std::none_of(findings.cbegin(), findings.cend(), [](const Finding &f) {
                                     return f.repair.isCertain();
                                 }));
}

void FindingsWindow::repair(const QModelIndex &index)
{
    const Finding *finding = static_cast<FindingsModel *>(lstFindings->model())->finding(index);
    if (index.column() == RepairColumn && finding && finding->repair.isCertain() && onRepair)
        onRepair(Finding(*finding)); // a copy: the repair refills the model
}

QString FindingsWindow::reportText() const
{
    return lblHeading->text() + u'\n' + (m_findings.isEmpty() ? m_whenNone + u'\n' : findingsText(m_findings));
}

} // namespace Vexolo::Ui
