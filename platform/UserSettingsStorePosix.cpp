#include "UserSettingsStore.h"

#include "IniSettingsStore.h"

namespace tolvan {

std::unique_ptr<SettingsStore> userSettingsStore()
{
    return std::make_unique<IniSettingsStore>();
}

} // namespace tolvan
