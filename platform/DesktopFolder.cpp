#include "DesktopFolder.h"

#include <QStandardPaths>

namespace tolvan {

QString desktopFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

} // namespace tolvan
