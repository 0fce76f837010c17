#include "MousePointer.h"

namespace tolvan {
void setMousePointer(MousePointer pointer)
{
    if (MousePointerService::installed())
        MousePointerService::installed()->set(pointer);
}

} // namespace tolvan
