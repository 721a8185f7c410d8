#include "widgets/windowplaces.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>

namespace Vexolo::Ui {

namespace {

constexpr int Gap = 8;

// The free strips around anchor in room, in order of preference: right, left, below. (Where none has room the
// anchor moves to make some: above it would only be tried on a screen taller than it is wide.)
QList<QRect> stripsAround(const QRect &room, const QRect &anchor)
{
    return {QRect(QPoint(anchor.right() + 1 + Gap, room.top()), room.bottomRight()),
            QRect(room.topLeft(), QPoint(anchor.left() - 1 - Gap, room.bottom())),
            QRect(QPoint(room.left(), anchor.bottom() + 1 + Gap), room.bottomRight())};
}

bool holds(const QRect &strip, QSize size)
{
    return strip.width() >= size.width() && strip.height() >= size.height();
}

// The window in strip, as large as it wants up to the strip: against the anchor, level with it where it can be.
QRect within(const QRect &strip, const QRect &anchor, QSize want)
{
    const QSize size = want.boundedTo(strip.size());
    const int levelY = std::clamp(anchor.top(), strip.top(), strip.bottom() + 1 - size.height());
    const int levelX = std::clamp(anchor.left(), strip.left(), strip.right() + 1 - size.width());
    if (strip.left() > anchor.right())
        return {QPoint(strip.left(), levelY), size};
    if (strip.right() < anchor.left())
        return {QPoint(strip.right() + 1 - size.width(), levelY), size};
    return {QPoint(levelX, strip.top()), size}; // below
}

} // namespace

QRect placeBeside(const QRect &room, QRect &anchor, QSize want, QSize minimum)
{
    for (const QSize &size : {want, minimum}) {
        for (const QRect &strip : stripsAround(room, anchor)) {
            if (holds(strip, size))
                return within(strip, anchor, want);
        }
    }
    // No side has room enough: the anchor goes to an edge, and the window beside it.
    const QRect moved = anchor.width() + Gap + minimum.width() <= room.width()
        ? QRect(QPoint(room.left(), anchor.top()), anchor.size())
        : QRect(QPoint(anchor.left(), room.top()), anchor.size());
    for (const QRect &strip : stripsAround(room, moved)) {
        if (holds(strip, minimum)) {
            anchor = moved;
            return within(strip, anchor, want);
        }
    }
    // A screen smaller than both: the window keeps to the room, over the anchor if it must.
    return QRect(room.topLeft(), want.boundedTo(room.size()));
}

QRect openingPlace(const QList<QRect> &rooms, const QRect &kept, const QRect &room, QRect &anchor, QRect clear,
                   QSize want, QSize minimum)
{
    if (kept.isValid() && std::any_of(rooms.begin(), rooms.end(), [&kept](const QRect &r) { return r.contains(kept); }))
        return kept;
    const QRect beside = placeBeside(room, anchor, want, minimum);
    if (!beside.intersects(anchor))
        return beside;
    // Too small for both: the anchor as low as it goes, the window above its controls.
    const int down = std::max(0, room.bottom() - anchor.bottom());
    anchor.translate(0, down);
    clear.translate(0, down);
    const int height = std::max(minimum.height(), std::min(want.height(), clear.top() - Gap - room.top()));
    return {room.topLeft(), QSize(want.width(), height).boundedTo(room.size())};
}

QRect keptFrame(const QString &key)
{
    return QSettings().value(QStringLiteral("windows/") + key).toRect();
}

void rememberFrame(const QWidget &window, const QString &key)
{
    QSettings().setValue(QStringLiteral("windows/") + key, window.frameGeometry());
}

bool restorePlace(QWidget &window, const QString &key)
{
    const QVariant kept = QSettings().value(QStringLiteral("windows/") + key);
    if (!kept.isValid())
        return false;
    const QRect frame(kept.toPoint(), window.frameGeometry().size());
    for (const QScreen *screen : QGuiApplication::screens()) {
        // Where it was, when that is all on a screen still there (or its top, for a window taller than it).
        const QRect room = screen->availableGeometry();
        const bool taller = frame.height() > room.height();
        if (room.contains(frame) || (taller && room.contains(frame.topLeft()) && room.contains(frame.topRight()))) {
            window.move(frame.topLeft());
            return true;
        }
    }
    return false;
}

void centre(QWidget &window, const QWidget *parent)
{
    const QScreen *screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    QRect frame(QPoint(), window.frameGeometry().size());
    frame.moveCenter(room.center());
    // Never above or left of the room: the title bar and the top-left controls stay in reach.
    window.move(std::max(frame.left(), room.left()), std::max(frame.top(), room.top()));
}

void placeBeside(QWidget &window, const QWidget &anchor)
{
    const QScreen *screen = anchor.screen();
    if (!screen)
        return;
    QRect kept = anchor.frameGeometry();
    const QSize frame = kept.size() - anchor.size(); // the title bar and borders, as the anchor has them
    const QRect place = placeBeside(screen->availableGeometry(), kept, window.size() + frame,
                                    window.minimumSizeHint().expandedTo(window.minimumSize()) + frame);
    window.resize(place.size() - frame);
    window.move(place.topLeft());
}

void rememberPlace(const QWidget &window, const QString &key)
{
    QSettings().setValue(QStringLiteral("windows/") + key, window.pos());
}

} // namespace Vexolo::Ui
