#pragma once

#include "MousePointer.h"

namespace tolvan {

// The pointer as an application-wide override cursor; Default removes it, so
// every control shows its own pointer again.
class QtMousePointer : public MousePointerService {
public:
    void set(MousePointer pointer) override;
};

} // namespace tolvan
