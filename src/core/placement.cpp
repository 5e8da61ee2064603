#include "placement.h"

#include <QtGlobal>

namespace placement {

namespace {

// `window` moved, not resized, to lie in `room` where it fits.
QRect inside(QRect window, const QRect &room)
{
    window.moveLeft(
        qBound(room.left(), window.left(), qMax(room.left(), room.right() + 1 - window.width())));
    window.moveTop(
        qBound(room.top(), window.top(), qMax(room.top(), room.bottom() + 1 - window.height())));
    return window;
}

int overlap(const QRect &a, const QRect &b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : both.width() * both.height();
}

} // namespace

Windows place_windows(const QRect &main, const QSize &map, const QRect &room, bool together,
                      int least_width, int gap)
{
    QSize size = map.boundedTo(room.size());
    if (together && room.width() >= main.width() + gap + least_width) {
        size.setWidth(qMin(size.width(), room.width() - main.width() - gap));
        const int width = main.width() + gap + size.width();
        const int height = qMax(main.height(), size.height());
        const QPoint at(room.left() + (room.width() - width) / 2,
                        room.top() + qMax(0, (room.height() - height) / 2));
        const QRect moved = inside(QRect(at, main.size()), room);
        return {moved, inside(QRect(QPoint(moved.right() + 1 + gap, moved.top()), size), room)};
    }
    const QRect stays = together ? inside(main, room) : main;
    const int right = room.right() - stays.right() - gap;
    const int left = stays.left() - room.left() - gap;
    // Beside it, on the side that takes the map whole, else on the wider
    // side if the map still has a usable width there.
    const bool on_right = size.width() <= right || (size.width() > left && right >= left);
    const int space = on_right ? right : left;
    if (space >= qMin(size.width(), least_width)) {
        size.setWidth(qMin(size.width(), space));
        const int x = on_right ? stays.right() + 1 + gap : stays.left() - gap - size.width();
        return {stays, inside(QRect(QPoint(x, stays.top()), size), room)};
    }
    // No room beside it: against an edge of the room, above, below or level
    // with the main window, wherever the map hides the least of it.
    QRect best;
    int least_hidden = -1;
    for (const int x : {room.right() + 1 - size.width(), room.left()}) {
        for (const int y : {stays.top(), room.bottom() + 1 - size.height(), room.top()}) {
            const QRect candidate = inside(QRect(QPoint(x, y), size), room);
            const int hidden = overlap(candidate, stays);
            if (least_hidden < 0 || hidden < least_hidden) {
                best = candidate;
                least_hidden = hidden;
            }
        }
    }
    return {stays, best};
}

} // namespace placement
