#pragma once

namespace tolvan {

// Whether windows can be shown: on Linux an X11 or Wayland display, or a Qt
// platform chosen explicitly (QT_QPA_PLATFORM, e.g. offscreen); on Windows always.
bool hasGraphicalSession();

} // namespace tolvan
