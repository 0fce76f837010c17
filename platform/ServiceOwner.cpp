#include "ServiceOwner.h"

#include "SettingsStore.h"
#include "UserSettingsStore.h"

namespace tolvan {

void installProgramServices(ServiceOwner &owner)
{
    owner.own<SettingsStore>(userSettingsStore());
}

} // namespace tolvan
