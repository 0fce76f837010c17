#pragma once

#include "Installed.h"

namespace tolvan {

// The screen's mouse pointer while the program works.
enum class MousePointer { Default, Arrow, Hourglass };

// What shows the pointer; without one installed (as in the headless export)
// setting it does nothing.
class MousePointerService : public Installed<MousePointerService> {
public:
    virtual ~MousePointerService() = default;
    virtual void set(MousePointer pointer) = 0;
};

void setMousePointer(MousePointer pointer);

} // namespace tolvan
