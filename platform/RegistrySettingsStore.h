#pragma once

#include "SettingsStore.h"

namespace tolvan {

// The settings in the Windows registry: HKEY_CURRENT_USER\<root>\<application>
// \<section>, one REG_SZ value per key. Values are written and read with their
// full length, so a text holding NUL characters (a scrambled password)
// round-trips. Values an administrator adds ("reg add", a .reg file) read
// alike: REG_SZ, REG_EXPAND_SZ (as written, unexpanded) and REG_DWORD (its
// number). A key the user's store lacks is read from the same place under
// HKEY_LOCAL_MACHINE, where an administrator sets defaults for every user
// (only the keys that allow it); a value equal to the one there
// is not kept for the user, so that a later change there reaches the user.
// Windows only.
class RegistrySettingsStore : public SettingsStore {
public:
    // `root` is the key path below both hives; tests pass a key of their own.
    explicit RegistrySettingsStore(QString root = QStringLiteral("Software\\TOLVAN"));

    QString value(const SettingKey &key, const QString &defaultValue) override;
    void setValue(const SettingKey &key, const QString &value) override;

private:
    QString keyPath(const QString &application, const QString &section) const;

    QString m_root;
};

} // namespace tolvan
