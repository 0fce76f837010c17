#pragma once

#include <QString>

namespace tolvan {

// One setting of the per-user store: its application, section and name, and
// whether an administrator may set it for every user (the system's folders,
// HKEY_LOCAL_MACHINE), which then serves a user whose own store lacks it.
// Each setting the program keeps is declared once, beside the code that owns
// it; the program reads and writes it only through its declaration. Names do
// not tell upper from lower case.
struct SettingKey {
    QString application;
    QString section;
    QString name;
    bool everyUserDefault = false;

    // The setting of the same section under another name (one per window).
    SettingKey named(const QString &otherName) const
    {
        return {application, section, otherName, everyUserDefault};
    }
};

} // namespace tolvan
