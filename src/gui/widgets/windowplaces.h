#pragma once

#include <QList>
#include <QRect>
#include <QString>

class QWidget;

namespace Vexolo::Ui {

// Where a window goes beside another on a screen's free room, all as frame rectangles: right of the anchor,
// left of it or below it, in that order of preference, at the size it wants where that fits, else
// narrower or lower down to its minimum. When no side has the minimum, the anchor is moved to the room's left
// or top edge to make some (anchor then holds its new place). Never over the anchor where the room allows.
QRect placeBeside(const QRect &room, QRect &anchor, QSize want, QSize minimum);

// Where a window opens by anchor, all as frame rectangles: where it was last (kept, null when never) when all of it
// is on one of rooms; else beside anchor in room as above. On a room too small for both it goes to the room's top,
// over no more of anchor than what lies above clear (the anchor's controls that must stay in view), the anchor moved
// as low as the room lets it.
QRect openingPlace(const QList<QRect> &rooms, const QRect &kept, const QRect &room, QRect &anchor, QRect clear,
                   QSize want, QSize minimum);

// A window's frame, as it was last, kept under key; null when never.
QRect keptFrame(const QString &key);
void rememberFrame(const QWidget &window, const QString &key);

// A window opens where it was last: its top-left corner, kept under key in the user's settings, when all of it is
// still on a screen. False when it was never placed or that place is gone.
bool restorePlace(QWidget &window, const QString &key);
void rememberPlace(const QWidget &window, const QString &key);
// Centred on the screen of parent, or on the primary screen; never above or left of it.
void centre(QWidget &window, const QWidget *parent = nullptr);
// The window beside anchor in the room on anchor's screen, narrower where it must be; anchor stays where it is.
void placeBeside(QWidget &window, const QWidget &anchor);

} // namespace Vexolo::Ui
