#include "widgets/settingsmark.h"

#include <QPainter>

namespace {

constexpr int MarkSize = 6;
const QColor MarkColour(0x00, 0x40, 0x80);
const QColor WarningColour(0xC0, 0x00, 0x00);

} // namespace

SettingsMarkDelegate::SettingsMarkDelegate(int role, QObject *parent, int warningRole)
    : QStyledItemDelegate(parent)
    , m_role(role)
    , m_warningRole(warningRole)
{
}

void SettingsMarkDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const bool warning = m_warningRole >= 0 && index.data(m_warningRole).toBool();
    if (!warning && !index.data(m_role).toBool())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QBrush ink = option.state & QStyle::State_Selected ? option.palette.highlightedText()
                                                             : QBrush(warning ? WarningColour : MarkColour);
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
