#include "SettingsStore.h"

#include <QtGlobal>

namespace tolvan {
namespace {
SettingsStore *installed = nullptr;

SettingsStore &store()
{
    Q_ASSERT_X(installed, "SettingsStore", "no settings store installed");
    return *installed;
}
} // namespace

void SettingsStore::install(SettingsStore *store)
{
    installed = store;
}

QString GetSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    return store().value(application, section, key, defaultValue);
}

void SaveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value)
{
    store().setValue(application, section, key, value);
}

} // namespace tolvan
