#include "widgets/settingsmark.h"

#include <QPainter>

namespace {

constexpr int MarkSize = 6;
const QColor MarkColour(0x00, 0x40, 0x80);

} // namespace

SettingsMarkDelegate::SettingsMarkDelegate(int role, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_role(role)
{
}

void SettingsMarkDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!index.data(m_role).toBool())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(option.state & QStyle::State_Selected ? option.palette.highlightedText() : QBrush(MarkColour));
    const QRect row = option.rect;
    painter->drawEllipse(QRect(row.right() - MarkSize - 4, row.center().y() - MarkSize / 2, MarkSize, MarkSize));
    painter->restore();
}
