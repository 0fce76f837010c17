#pragma once

#include "SettingsStore.h"

namespace tolvan {

// The settings as one INI file per application in a folder: on Linux
// ~/.config/TOLVAN/<application>.ini, each section a group, each value read as
// written by hand (IniFormat.h). The folder is created for its owner only
// (0700), the files too (0600): the login settings hold the password.
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
