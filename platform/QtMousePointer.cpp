#include "QtMousePointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace tolvan {

void QtMousePointer::set(MousePointer pointer)
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    if (pointer == MousePointer::Arrow)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    else if (pointer == MousePointer::Hourglass)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

} // namespace tolvan
