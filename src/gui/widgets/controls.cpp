#include "controls.h"

#include "widgets/singlelinevalidator.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

namespace Vexolo::Ui {

QFont arial(int pixelSize, bool bold, bool italic, const QString &family)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QPushButton *button(QWidget *container, const QString &name, const QString &caption, QRect geometry, const QFont *font)
{
    auto *control = place(container, new QPushButton(caption, container), name, caption, geometry);
    control->setAutoDefault(false); // only a window's own default button reacts to Return
    if (font)
        control->setFont(*font);
    return control;
}

QPalette designPalette(const QColor &window)
{
    QPalette palette(QColor(0xf0, 0xf0, 0xf0));
    palette.setColor(QPalette::Window, window);
    // The roles that constructor leaves to the desktop, as a light theme has them.
    palette.setColor(QPalette::Highlight, QColor(0x30, 0x8c, 0xc6));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    // A list without the focus shows its selection in these, so the focused one stands out.
    palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0xd9, 0xd9, 0xd9));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
    palette.setColor(QPalette::AlternateBase, QColor(0xf7, 0xf7, 0xf7));
    palette.setColor(QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Link, QColor(0x00, 0x00, 0xff));
    palette.setColor(QPalette::LinkVisited, QColor(0xff, 0x00, 0xff));
    palette.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    return palette;
}

void speak(QWidget *control, const QString &name, const QString &description)
{
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
    style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
}

QLabel *label(QWidget *container, const QString &name, const QString &caption, QRect geometry, const QFont &font,
              Qt::Alignment alignment, const QColor &colour, QLabel *label)
{
    if (!label)
        label = new QLabel(container);
    label->setText(caption);
    auto *control = place(container, label, name, caption, geometry);
    control->setTextFormat(Qt::PlainText); // a track name from the card is never markup
    control->setFont(font);
    control->setAlignment(alignment | Qt::AlignVCenter);
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, colour);
    control->setPalette(palette);
    return control;
}

QLineEdit *field(QWidget *container, const QString &name, const QString &text, QRect geometry, const QFont &font,
                 const QColor &background, SingleLineValidator::Blanks blanks)
{
    auto *control = place(container, new QLineEdit(text, container), name, QString(), geometry);
    control->setValidator(new SingleLineValidator(control, blanks));
    control->setFont(font);
    control->setAlignment(Qt::AlignCenter);
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, Qt::black);
    control->setPalette(palette);
    return control;
}

void menuEntry(QMenu &menu, const QString &caption, const QKeySequence &shortcut, bool enabled,
               const std::function<void()> &run)
{
    QAction *action = menu.addAction(caption);
    action->setShortcut(shortcut);
    action->setShortcutVisibleInContextMenu(true);
    action->setEnabled(enabled);
    QObject::connect(action, &QAction::triggered, action, run);
}

} // namespace Vexolo::Ui
