#pragma once

class QApplication;

namespace tolvan {

// The windows are designed in "MS Sans Serif" 8.25 pt and "Arial"; where these
// are not installed, the nearest sans-serif faces at the same sizes stand in.
// Sets the application's default font.
void installFonts(QApplication &app);

} // namespace tolvan
