#pragma once

#include "Installed.h"

#include <QString>

namespace tolvan {

// The per-user settings store: named texts by application, section and key.
// The program installs the real store; tests one in a temporary folder.
class SettingsStore : public Installed<SettingsStore> {
public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString &application, const QString &section, const QString &key,
                          const QString &defaultValue) = 0;
    // Raises RuntimeError when the value cannot be stored.
    virtual void setValue(const QString &application, const QString &section, const QString &key,
                          const QString &value) = 0;
};
// Without a store installed, using the settings is a programming error.

QString GetSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue = QString());
void SaveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value);

// Whether a value may come from the defaults an administrator sets for every
// user when the user's own store lacks it. The login's name and password never
// do: such a file or key is readable by every user, and the scrambling of the
// password is its own inverse. Of the login settings only the firm, the branch
// and the server's address, port and namespace do; every other application's
// keys do.
bool isEveryUserDefault(const QString &application, const QString &section, const QString &key);

} // namespace tolvan
