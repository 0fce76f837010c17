#include "Registry.h"

namespace tolvan {

Registry *systemRegistry(); // one per operating system: RegistryWindows.cpp, RegistryNone.cpp

Registry *Registry::current()
{
    return installed() ? installed() : systemRegistry();
}

} // namespace tolvan
