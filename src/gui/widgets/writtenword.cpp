#include "widgets/writtenword.h"

#include <QAccessible>

namespace Vexolo::Ui {

WrittenWord::WrittenWord(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("lblWritten"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Silver on the window's black, like the company's name: read, not shouted.
    setStyleSheet(QStringLiteral("color: #c0c0c0;"));
    setAccessibleName(tr("Last write"));
    hide();
    m_shown.setSingleShot(true);
    m_shown.setInterval(ShownMs);
    connect(&m_shown, &QTimer::timeout, this, &QWidget::hide);
}

void WrittenWord::say(const QString &word)
{
    if (word.isEmpty())
        return;
    // A word too long for the strip keeps its start, where the program and the card are named.
    setText(fontMetrics().elidedText(word, Qt::ElideRight, width()));
    setToolTip(word);
    setAccessibleDescription(word);
    show();
    raise();
    m_shown.start();
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    QAccessibleEvent named(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&named);
}

} // namespace Vexolo::Ui
