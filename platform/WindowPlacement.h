#pragma once

#include <QString>

class QWidget;

namespace tolvan {

// Where and how large a window was, per window key, in the settings store
// ("WendmarZV"/"Windowpos"): left|top|width|height of the outer frame, in twips.

// Puts the window where the stored value says; false when nothing is stored.
// A value no window can take (huge, zero or negative sizes, a place on no
// present screen) is limited so that the window is usable and can be moved:
// its title bar lies on a screen, with at least 100 px of its width. One
// that fits is taken exactly. Until the window manager has given
// the window its frame, the value is applied again once the frame is known.
bool RestoreWindowPos(QWidget &window, const QString &key);

// Stores the window's place and size, unless it is minimized; a maximized
// window's values are stored as they are.
void SaveWindowPos(QWidget &window, const QString &key);

// The leading decimal number of a text: blanks skipped, a point as the decimal
// separator, reading stops at the first character that cannot continue the
// number; no number reads 0.
double leadingNumber(const QString &text);

} // namespace tolvan
