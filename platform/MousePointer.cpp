#include "MousePointer.h"

namespace tolvan {
namespace {
MousePointerService *installed = nullptr;
} // namespace

void MousePointerService::install(MousePointerService *service)
{
    installed = service;
}

void setMousePointer(MousePointer pointer)
{
    if (installed)
        installed->set(pointer);
}

} // namespace tolvan
