#pragma once

#include "SettingsStore.h"

#include <QStringList>
#include <optional>

namespace tolvan {

// The settings as one INI file per application in a folder: on Linux
// ~/.config/TOLVAN/<application>.ini, each section a group, each value read as
// written by hand (IniFormat.h). The folder is created for its owner only
// (0700), the files too (0600): the login settings hold the password.
//
// A value the user's file lacks is read from the same file in the folders an
// administrator keeps for every user (/etc/xdg/TOLVAN, or those of
// XDG_CONFIG_DIRS, the first that has it), for the keys that allow it
// (SettingKey::everyUserDefault). Those folders are only read, never written; a value equal to the
// one there is not kept in the user's file, so that a later change there
// reaches the user.
class IniSettingsStore : public SettingsStore {
public:
    // The user's own folder and the system's.
    IniSettingsStore();
    explicit IniSettingsStore(QString folder, QStringList everyUserFolders = {});

    QString value(const SettingKey &key, const QString &defaultValue) override;
    void setValue(const SettingKey &key, const QString &value) override;

    QString fileName(const QString &application) const;

private:
    // What an administrator set for every user, where allowed.
    std::optional<QString> everyUserValue(const SettingKey &key) const;

    QString m_folder;
    QStringList m_everyUserFolders;
};

} // namespace tolvan
