#pragma once

#include <QString>

namespace tolvan {

// The per-user settings store: named texts by application, section and key.
// The program installs the real store; tests one in a temporary folder.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString &application, const QString &section, const QString &key,
                          const QString &defaultValue) = 0;
    // Raises RuntimeError when the value cannot be stored.
    virtual void setValue(const QString &application, const QString &section, const QString &key,
                          const QString &value) = 0;

    // Passing nullptr removes the store; using the settings then is a programming error.
    static void install(SettingsStore *store);
};

QString GetSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue = QString());
void SaveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value);

} // namespace tolvan
