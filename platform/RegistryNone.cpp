// Systems without a registry.

#include "Registry.h"

namespace tolvan {

Registry *systemRegistry()
{
    return nullptr;
}

} // namespace tolvan
