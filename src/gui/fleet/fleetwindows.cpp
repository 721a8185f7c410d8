#include "fleetwindows.h"

#include "reports/programoverview.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <memory>

namespace Vexolo::Ui {

CardChooser::CardChooser(const QString &title, const QStringList &volumes, const QString &current, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *caption = new QLabel(tr("The other card (a volume, or the path of a folder):"), this);
    drvOther = new QComboBox(this);
    drvOther->setObjectName(QStringLiteral("drvOther"));
    drvOther->setEditable(true);
    drvOther->setMinimumWidth(360);
    for (const QString &volume : volumes) {
        if (volume != current)
            drvOther->addItem(volume);
    }
    drvOther->setCurrentIndex(-1);
    caption->setBuddy(drvOther);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(drvOther);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        const QString path = drvOther->currentText().trimmed();
        if (path.isEmpty())
            return;
        accept();
        Q_EMIT chosen(path);
    });
}

ProgramList::ProgramList(QLineEdit *numberField, ProgramOverview &programs)
    : QListView(numberField->window())
    , m_field(numberField)
{
    setObjectName(QStringLiteral("lstPrograms"));
    setWindowFlags(Qt::Popup);
    setAccessibleName(tr("Programs on the card"));
    setModel(&programs);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    numberField->installEventFilter(this);
    numberField->setToolTip(tr("Click or press Ctrl+L for the card's programs"));
    auto *open = new QAction(this);
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    open->setShortcutContext(Qt::WindowShortcut);
    numberField->window()->addAction(open);
    connect(open, &QAction::triggered, this, &ProgramList::popUp);
    // A click chooses; Return does too (keyPressEvent).
    connect(this, &QListView::clicked, this, &ProgramList::choose);
}

void ProgramList::popUp()
{
    Q_EMIT aboutToPopUp();
    const int rows = model()->rowCount();
    const int width = std::max(m_field->width(), sizeHintForColumn(0) + 2 * frameWidth() + 24);
    const int height = rows * sizeHintForRow(0) + 2 * frameWidth();
    setGeometry(QRect(m_field->mapToGlobal(QPoint(0, m_field->height())), QSize(std::min(width, 480), height)));
    setCurrentIndex(model()->index(m_field->text().toInt(), 0)); // the number shown; row 0 for none
    show();
    setFocus();
}

void ProgramList::choose(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    hide();
    if (const auto number = ProgramNumber::fromText(index.data(ProgramOverview::NumberRole).toString()))
        Q_EMIT programChosen(*number);
}

bool ProgramList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        popUp();
    return QListView::eventFilter(watched, event);
}

void ProgramList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        choose(currentIndex());
    else if (event->key() == Qt::Key_Escape)
        hide();
    else
        QListView::keyPressEvent(event);
}

} // namespace Vexolo::Ui
