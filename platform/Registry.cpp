#include "Registry.h"

namespace tolvan {

Registry *systemRegistry(); // one per operating system: RegistryWindows.cpp, RegistryNone.cpp

namespace {
Registry *installed = nullptr;
} // namespace

Registry *Registry::current()
{
    return installed ? installed : systemRegistry();
}

void Registry::install(Registry *registry)
{
    installed = registry;
}

} // namespace tolvan
