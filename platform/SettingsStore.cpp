#include "SettingsStore.h"

#include <QStringList>
#include <QtGlobal>

namespace tolvan {
namespace {
SettingsStore &store()
{
    Q_ASSERT_X(SettingsStore::installed(), "SettingsStore", "no settings store installed");
    return *SettingsStore::installed();
}
} // namespace


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

bool isEveryUserDefault(const QString &application, const QString &section, const QString &key)
{
    if (application.compare(QLatin1String("Cache Login"), Qt::CaseInsensitive) != 0)
        return true;
    static const QStringList shared = {QStringLiteral("Firma"), QStringLiteral("Filiale"),
                                       QStringLiteral("Server"), QStringLiteral("Port"),
                                       QStringLiteral("Namespace")};
    return section.compare(QLatin1String("Login"), Qt::CaseInsensitive) == 0 &&
           shared.contains(key, Qt::CaseInsensitive);
}

} // namespace tolvan
