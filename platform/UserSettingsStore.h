#pragma once

#include "SettingsStore.h"

#include <memory>

namespace tolvan {

// The store the program keeps its settings in: the registry on Windows, INI
// files in ~/.config/TOLVAN elsewhere.
std::unique_ptr<SettingsStore> userSettingsStore();

} // namespace tolvan
