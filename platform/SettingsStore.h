#pragma once

#include "Installed.h"
#include "SettingKey.h"

#include <QString>

namespace tolvan {

// The per-user settings store: named texts by application, section and key
// (SettingKey.h). The program installs the real store; tests one in a
// temporary folder.
class SettingsStore : public Installed<SettingsStore> {
public:
    virtual ~SettingsStore() = default;
    // The user's value, else the administrator's where the key allows it,
    // else the default.
    virtual QString value(const SettingKey &key, const QString &defaultValue) = 0;
    // Raises RuntimeError when the value cannot be stored.
    virtual void setValue(const SettingKey &key, const QString &value) = 0;
};
// Without a store installed, using the settings is a programming error.

QString GetSetting(const SettingKey &key, const QString &defaultValue = QString());
void SaveSetting(const SettingKey &key, const QString &value);

} // namespace tolvan
