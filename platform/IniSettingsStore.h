#pragma once

#include "SettingsStore.h"

namespace tolvan {

// The settings as one INI file per application in a folder: on Linux
// ~/.config/TOLVAN/<application>.ini, each section a group.
class IniSettingsStore : public SettingsStore {
public:
    // The user's own folder.
    IniSettingsStore();
    explicit IniSettingsStore(QString folder);

    QString value(const QString &application, const QString &section, const QString &key,
                  const QString &defaultValue) override;
    void setValue(const QString &application, const QString &section, const QString &key,
                  const QString &value) override;

    QString fileName(const QString &application) const;

private:
    QString m_folder;
};

} // namespace tolvan
