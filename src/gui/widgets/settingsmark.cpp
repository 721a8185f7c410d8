#include "widgets/settingsmark.h"

#include <QPainter>

namespace {

constexpr int MarkSize = 6;
constexpr int MarkRoom = MarkSize + 8; // the mark and the room around it
const QColor MarkColour(0x00, 0x40, 0x80);
const QColor MarkWarningColour(0xC0, 0x00, 0x00);

} // namespace

SettingsMarkDelegate::SettingsMarkDelegate(int role, QObject *parent, int warningRole)
    : QStyledItemDelegate(parent)
    , m_role(role)
    , m_warningRole(warningRole)
{
}

void SettingsMarkDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const bool warning = index.data(m_warningRole).toBool(); // role -1: none, no data
    if (!warning && !index.data(m_role).toBool())
        return QStyledItemDelegate::paint(painter, option, index);
    // The text stops short of the mark, so a long name's "…" stays readable; the row's highlight goes on under it.
    QStyleOptionViewItem text(option);
    text.rect.setRight(option.rect.right() - MarkRoom);
    QStyledItemDelegate::paint(painter, text, index);
    if (option.state & QStyle::State_Selected) {
        const QPalette::ColorGroup group = option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        painter->fillRect(QRect(text.rect.right() + 1, option.rect.top(), MarkRoom, option.rect.height()),
                          option.palette.brush(group, QPalette::Highlight));
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QBrush ink = option.state & QStyle::State_Selected ? option.palette.highlightedText()
                                                             : QBrush(warning ? MarkWarningColour : MarkColour);
    if (warning) {
        painter->setPen(QPen(ink, 2));
        painter->setBrush(Qt::NoBrush);
    } else {
        painter->setPen(Qt::NoPen);
        painter->setBrush(ink);
    }
    const QRect row = option.rect;
    const int size = warning ? MarkSize + 2 : MarkSize;
    painter->drawEllipse(QRect(row.right() - size - 4, row.center().y() - size / 2, size, size));
    painter->restore();
}
