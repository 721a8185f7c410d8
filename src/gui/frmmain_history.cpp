#include "frmmain.h"

#include "platform/platformadapter.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

// What keeps edits from vanishing: the undo history, the question before changes are dropped,
// and the window's keys.

namespace {

QAction *shortcut(QWidget *scope, const QList<QKeySequence> &keys, Qt::ShortcutContext context)
{
    auto *action = new QAction(scope);
    action->setShortcuts(keys);
    action->setShortcutContext(context);
    scope->addAction(action);
    return action;
}

} // namespace

void frmMain::setUpEditing()
{
    m_history.attach(lstList, lstListAdv, txtName);
    QAbstractItemModel *entries = lstList->model();
    connect(entries, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { m_history.tagRows(first, last); });
    // Connected after the handler that moves lstListAdv along, so the step sees both lists moved.
    connect(entries, &QAbstractItemModel::rowsAboutToBeMoved, this, [this] { m_history.beginMove(); });
    connect(entries, &QAbstractItemModel::rowsMoved, this, [this] { m_history.endMove(); });

    // Choosing the row already shown changes no text: activated lists it, unless the text change
    // just did for the same choice. Typing is no choice.
    connect(drvCard, &QComboBox::currentTextChanged, this, [this] {
        m_choiceListed = !m_typed;
        m_typed = false;
    });
    connect(drvCard->lineEdit(), &QLineEdit::textEdited, this, [this] { m_typed = true; });
    connect(drvCard, &QComboBox::activated, this, &frmMain::drvCard_Activated);

    // Text fields keep their own undo; they claim these keys first, and are left alone here too.
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::Key_Z)}, Qt::WindowShortcut), &QAction::triggered, this,
            [this] {
                if (!textFieldHasFocus())
                    m_history.stack().undo();
            });
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
                     Qt::WindowShortcut),
            &QAction::triggered, this, [this] {
                if (!textFieldHasFocus())
                    m_history.stack().redo();
            });
    connect(shortcut(this, {QKeySequence(Qt::Key_Delete)}, Qt::WindowShortcut), &QAction::triggered, this, [this] {
        if (!textFieldHasFocus())
            cmdRemove->click();
    });
    connect(shortcut(this, {QKeySequence(Qt::CTRL | Qt::Key_S)}, Qt::WindowShortcut), &QAction::triggered, cmdSave,
            &QPushButton::click);

    connect(shortcut(lstList, {QKeySequence(Qt::CTRL | Qt::Key_C)}, Qt::WidgetShortcut), &QAction::triggered, this,
            &frmMain::copyEntrySettings);
    connect(shortcut(lstList, {QKeySequence(Qt::CTRL | Qt::Key_V)}, Qt::WidgetShortcut), &QAction::triggered, this,
            &frmMain::pasteEntrySettings);
    for (QListWidget *list : {lstList, lstCard}) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint &position) { showSettingsMenu(list, position); });
    }
}

void frmMain::drvCard_Activated()
{
    if (m_choiceListed) {
        m_choiceListed = false;
        return;
    }
    drvCard_Change();
}

bool frmMain::textFieldHasFocus() const
{
    const QWidget *focus = focusWidget();
    return qobject_cast<const QLineEdit *>(focus) || focus == drvCard;
}

bool frmMain::confirmDiscardChanges()
{
    if (!m_history.isDirty())
        return true;
    const QString question = QStringLiteral("Playlist ") + txtList->text()
        + QStringLiteral(" has changes that are not saved. Discard them?");
    if (m_platform.MsgBox(question, PlatformAdapter::QuestionYesNo | PlatformAdapter::DefaultSecond)
        != PlatformAdapter::AnswerYes)
        return false;
    m_history.discardChanges();
    return true;
}
