#include "PicturePushButton.h"

namespace tolvan {

PicturePushButton::PicturePushButton(QWidget *parent) : QPushButton(parent)
{
    setIconSize(QSize(16, 16));
}

} // namespace tolvan
