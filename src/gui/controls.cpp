#include "controls.h"

#include "singlelinevalidator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

QLabel *label(QWidget *container, const QString &name, const QString &caption, QRect geometry, const QFont &font,
              Qt::Alignment alignment, const QColor &colour)
{
    auto *control = place(container, new QLabel(caption, container), name, caption, geometry);
    control->setTextFormat(Qt::PlainText); // a track name from the card is never markup
    control->setFont(font);
    control->setAlignment(alignment | Qt::AlignVCenter);
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, colour);
    control->setPalette(palette);
    return control;
}

QLineEdit *field(QWidget *container, const QString &name, const QString &text, QRect geometry, const QFont &font,
                 const QColor &background)
{
    auto *control = place(container, new QLineEdit(text, container), name, QString(), geometry);
    control->setValidator(new SingleLineValidator(control));
    control->setFont(font);
    control->setAlignment(Qt::AlignCenter);
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, Qt::black);
    control->setPalette(palette);
    return control;
}

} // namespace Vexolo::Ui
