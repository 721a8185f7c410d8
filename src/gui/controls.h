#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// Building blocks shared by the two windows: every control is named, placed by its position in
// the window's content area and named for assistive tools.
namespace Vexolo::Ui {

// Sizes are pixel sizes: the layouts were designed for 72 dpi, where points are pixels, and only
// pixel sizes keep the captions inside their fixed boxes on any screen.
QFont arial(int pixelSize, bool bold = false, bool italic = false, const QString &family = QStringLiteral("Arial"));

// A control inside a group box is placed relative to the box, so geometry is always given in the
// window's content area.
template<typename Control>
Control *place(QWidget *container, Control *control, const QString &name, const QString &caption, QRect geometry)
{
    control->setObjectName(name);
    control->setGeometry(container->isWindow() ? geometry : geometry.translated(-container->pos()));
    control->setAccessibleName(caption.isEmpty() ? name : caption);
    return control;
}

QPushButton *button(QWidget *container, const QString &name, const QString &caption, QRect geometry,
                    const QFont *font = nullptr);
QLabel *label(QWidget *container, const QString &name, const QString &caption, QRect geometry, const QFont &font,
              Qt::Alignment alignment, const QColor &colour = Qt::black);
// A text field's text is its value, not a caption: it is named after the control.
QLineEdit *field(QWidget *container, const QString &name, const QString &text, QRect geometry, const QFont &font,
                 const QColor &background);

} // namespace Vexolo::Ui
