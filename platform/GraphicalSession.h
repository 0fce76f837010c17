#pragma once

#include <QString>

namespace tolvan {

// Whether windows can be shown: on Linux an X11 or Wayland display, or a Qt
// platform chosen explicitly (QT_QPA_PLATFORM, e.g. offscreen); on Windows always.
bool hasGraphicalSession();

// Says why the program cannot start before any window exists: on standard
// error, and on Windows, where a program of the windows subsystem has none
// to read, also in a message box of the system's own.
void reportStartFailure(const QString &message);

} // namespace tolvan
