#pragma once

#include <Qt>

class QWidget;

namespace tolvan {

// A fixed dialog frame: a title with the system menu and the close box, not
// resizable, no minimize or maximize box.
inline constexpr Qt::WindowFlags FixedDialogFlags =
    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
    Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// Keeps the dialog at its present size and in its frame. Some window managers
// offer to minimize a dialog all the same (openbox honours no hint against it),
// and a minimized dialog without a task-bar entry would leave nothing on the
// screen: such a dialog shows itself again at once, unless its owner window
// is minimized too (it comes back with its owner). Maximized or full screen,
// it returns to its size.
void keepFixedFrame(QWidget &dialog);

} // namespace tolvan
