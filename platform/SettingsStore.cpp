#include "SettingsStore.h"

#include <QtGlobal>

namespace tolvan {
namespace {
SettingsStore &store()
{
    Q_ASSERT_X(SettingsStore::installed(), "SettingsStore", "no settings store installed");
    return *SettingsStore::installed();
}
} // namespace


QString GetSetting(const SettingKey &key, const QString &defaultValue)
{
    return store().value(key, defaultValue);
}

void SaveSetting(const SettingKey &key, const QString &value)
{
    store().setValue(key, value);
}

} // namespace tolvan
