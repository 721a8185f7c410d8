#pragma once

#include <QStyledItemDelegate>

// Rows as usual, with a small dot at the right end of those whose role says they carry settings of their own, and a
// red ring at the right end of those whose warning role says they cannot carry any.
class SettingsMarkDelegate final : public QStyledItemDelegate
{
public:
    SettingsMarkDelegate(int role, QObject *parent, int warningRole = -1);
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int m_role;
    int m_warningRole;
};
