#include "UserSettingsStore.h"

#include "RegistrySettingsStore.h"

namespace tolvan {

std::unique_ptr<SettingsStore> userSettingsStore()
{
    return std::make_unique<RegistrySettingsStore>();
}

} // namespace tolvan
