#include "PicturePushButton.h"

namespace tolvan {

PicturePushButton::PicturePushButton(QWidget *parent) : QPushButton(parent)
{
    setIconSize(QSize(16, 16));
    // Enter presses a dialog's default button wherever the focus is, as on the
    // desktop these buttons come from; Space presses the focused one. Qt's
    // auto-default would let the focused button take Enter.
    setAutoDefault(false);
}

} // namespace tolvan
