// What differs between the platforms Tarnwick runs on, kept in one place so
// the rest of the program reads the same everywhere.
#pragma once

namespace platform {

// Starts the desktop's calculator as a separate, detached process: the
// system's calc.exe on Windows, elsewhere the first of the usual desktop
// calculators found on PATH. False when none could be started.
bool start_calculator();

// Whether the window system lets a program keep its own window above the
// others. Wayland leaves stacking to the compositor and ignores the request.
bool can_keep_on_top();

} // namespace platform
