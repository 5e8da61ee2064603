// What differs between the platforms Tarnwick runs on, kept in one place so
// the rest of the program reads the same everywhere.
#pragma once

#include <QString>

namespace platform {

// Starts the desktop's calculator as a separate, detached process: the
// system's calc.exe on Windows, elsewhere the first of the usual desktop
// calculators found on PATH. False when none could be started.
bool start_calculator();

// Why the window system does not let a program keep its own window above
// the others, or an empty text where it does. Wayland leaves stacking to the
// compositor and ignores the request.
QString why_no_stay_on_top();

} // namespace platform
