#pragma once

#include <QStyledItemDelegate>

// Rows as usual, with a small dot at the right end of those whose role says they carry settings of their own.
class SettingsMarkDelegate final : public QStyledItemDelegate
{
public:
    SettingsMarkDelegate(int role, QObject *parent);
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int m_role;
};
