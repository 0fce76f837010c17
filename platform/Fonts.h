#pragma once

#include <initializer_list>

class QApplication;
class QWidget;

namespace tolvan {

// The windows are designed in "MS Sans Serif" 8.25 pt and "Arial"; where these
// are not installed, the nearest sans-serif faces at the same sizes stand in.
// Sets the application's default font.
void installFonts(QApplication &app);

// The narrower default face must not narrow the labels designed in "Arial":
// they keep Arial's own widths. Call before the labels are first shown.
void keepArialWidths(std::initializer_list<QWidget *> labels);

} // namespace tolvan
