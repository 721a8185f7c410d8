#include "volumeselector.h"

#include "fleet/cardnaming.h"
#include "platform/platformadapter.h"
#include "storage/cardsession.h"
#include "words/cardwords.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

namespace Vexolo::Ui {

namespace {

QStringList rowTexts(const QComboBox &box)
{
    QStringList texts;
    for (int row = 0; row < box.count(); ++row)
        texts.append(box.itemText(row));
    return texts;
}

// Shows a row's description where it has one; the row's text, which choosing puts into the field, stays the path.
class DescribedRows final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString described = index.data(VolumeSelector::DescriptionRole).toString();
        if (!described.isEmpty())
            option->text = described;
    }
};

QString shownText(const QComboBox &box, int row)
{
    const QString described = box.itemData(row, VolumeSelector::DescriptionRole).toString();
    return described.isEmpty() ? box.itemText(row) : described;
}

} // namespace

VolumeSelector::VolumeSelector(QComboBox &box, PlatformAdapter &platform)
    : QObject(&box)
    , m_box(box)
    , m_platform(platform)
{
    m_box.setItemDelegate(new DescribedRows(&m_box));
    for (const auto rowsChanged : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_box.model(), rowsChanged, this, &VolumeSelector::fit);
    connect(m_box.model(), &QAbstractItemModel::dataChanged, this, &VolumeSelector::fit);
    // Choosing the row already shown changes no text: activated lists it, unless the text change
    // just did for the same choice. Typing is no choice.
    connect(&m_box, &QComboBox::currentTextChanged, this, [this] {
        m_choiceListed = !m_typed;
        // A path being typed is listed when the typing rests, not at every prefix that is a folder.
        if (std::exchange(m_typed, false)) {
            m_typedUnlisted = true;
            m_pause.start();
        } else {
            listNow();
        }
    });
    connect(m_box.lineEdit(), &QLineEdit::textEdited, this, [this] { m_typed = true; });
    connect(&m_box, &QComboBox::activated, this, &VolumeSelector::activated);
    m_pause.setSingleShot(true);
    m_pause.setInterval(TypingPause);
    connect(&m_pause, &QTimer::timeout, this, &VolumeSelector::typingRested);
    // Leaving the field ends the typing; the question boxes that listing may raise do not.
    connect(m_box.lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (m_typedUnlisted)
            listNow();
    });
    auto *enter = new QAction(&m_box);
    enter->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    enter->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_box.addAction(enter);
    connect(enter, &QAction::triggered, this, &VolumeSelector::listNow);
    m_platform.watchVolumes(this, [this] { follow(); });
}

void VolumeSelector::refresh()
{
    if (m_typedUnlisted)
        listNow();
    const QSignalBlocker blocker(&m_box);
    const QString text = m_box.currentText();
    m_box.clear();
    m_box.addItems(m_platform.volumes());
    m_box.setCurrentIndex(-1);
    m_box.setEditText(text);
    describe();
}

void VolumeSelector::listNow()
{
    m_typedUnlisted = false;
    m_pause.stop();
    Q_EMIT chosen();
}

void VolumeSelector::activated()
{
    if (std::exchange(m_choiceListed, false))
        return;
    Q_EMIT chosen();
}

void VolumeSelector::follow()
{
    // Said even when the rows stay: another card mounted where the chosen one was keeps its row.
    Q_EMIT mountsChanged();
    const QStringList volumes = m_platform.volumes();
    if (volumes == rowTexts(m_box))
        return;
    const QSignalBlocker blocker(&m_box);
    const QString text = m_box.currentText();
    const bool chosen = m_box.currentIndex() >= 0 && m_box.itemText(m_box.currentIndex()) == text;
    const int cursor = m_box.lineEdit()->cursorPosition();
    m_box.clear();
    m_box.addItems(volumes);
    // The chosen volume stays chosen where it is still mounted; the text stays whatever it was.
    m_box.setCurrentIndex(chosen ? int(volumes.indexOf(text)) : -1);
    m_box.setEditText(text);
    // A path too long for the field shows its end, the card's own folder, unless the user is at work in it.
    m_box.lineEdit()->setCursorPosition(m_box.lineEdit()->hasFocus() ? cursor : int(text.size()));
    describe();
}

void VolumeSelector::describe()
{
    for (const QString &volume : rowTexts(m_box)) {
        CardSession::instance().run<QString>(
            volume, this,
            [volume] {
                const CardNaming naming = nameCard(volume, false);
                return volumeText(volume, naming.label, naming.bytes);
            },
            [this, volume](const QString &described) {
                const int row = m_box.findText(volume, Qt::MatchExactly);
                if (row >= 0)
                    m_box.setItemData(row, described, DescriptionRole);
            });
    }
}

void VolumeSelector::fit()
{
    const QFontMetrics metrics(m_box.view()->font());
    // Room for the row's margins and a scroll bar.
    const QStyle *style = m_box.style();
    const int margins = 4 * style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &m_box)
        + style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &m_box) + 8;
    int width = m_box.width();
    for (int row = 0; row < m_box.count(); ++row)
        width = std::max(width, metrics.horizontalAdvance(shownText(m_box, row)) + margins);
    m_box.view()->setMinimumWidth(width);
}

} // namespace Vexolo::Ui
