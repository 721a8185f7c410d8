#pragma once

#include "widgets/singlelinevalidator.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

class QAction;
class QKeySequence;
class QLineEdit;
class QMenu;
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
    // A caption is what a screen reader says; a control without one is named in words by its window.
    if (!caption.isEmpty())
        control->setAccessibleName(caption);
    return control;
}

// The light palette the windows were designed on, set whatever the desktop's theme: light grey
// buttons, white lists and fields with black text, on the given window colour.
QPalette designPalette(const QColor &window);

// Names a control for assistive tools, in words, and says what it does where its name alone does not.
void speak(QWidget *control, const QString &name, const QString &description = {});

// A label that elides the middle of a text too long for it; text() stays the whole text.
class ElidedLabel final : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};

QPushButton *button(QWidget *container, const QString &name, const QString &caption, QRect geometry,
                    const QFont *font = nullptr);
// label is the control to set up; a plain QLabel when not given.
QLabel *label(QWidget *container, const QString &name, const QString &caption, QRect geometry, const QFont &font,
              Qt::Alignment alignment, const QColor &colour = Qt::black, QLabel *label = nullptr);
// A text field's text is its value, not a caption: the window names it.
QLineEdit *field(QWidget *container, const QString &name, const QString &text, QRect geometry, const QFont &font,
                 const QColor &background, SingleLineValidator::Blanks blanks = SingleLineValidator::BlanksKept);

// Adds one entry to a context menu, with its shortcut shown beside it (none: an empty sequence).
void menuEntry(QMenu &menu, const QString &caption, const QKeySequence &shortcut, bool enabled,
               const std::function<void()> &run);

} // namespace Vexolo::Ui
