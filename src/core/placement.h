// Where a second window goes beside the main one, worked out on rectangles
// alone, so the rules can be tried for any screen without showing a window.
// QtCore only.
#pragma once

#include <QRect>
#include <QSize>

namespace placement {

// Where the map window goes, as frame rectangles on a screen whose available
// area is `room`. `together`: both windows open at once, and side by side,
// centred as a pair, when the room is wide enough for the main window and
// `least_width` of map; the main window may move then. Otherwise the main
// window stays, and the map goes beside it where there is room, else where it
// covers the least of it. The map is shrunk to fit the room, but never below
// `least_width` when it can go beside the main window; neither leaves the room.
struct Windows
{
    QRect main;
    QRect map;
};
Windows place_windows(const QRect &main, const QSize &map, const QRect &room, bool together,
                      int least_width, int gap);

} // namespace placement
