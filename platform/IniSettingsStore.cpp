#include "IniSettingsStore.h"

#include "RuntimeError.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace tolvan {

IniSettingsStore::IniSettingsStore()
    : IniSettingsStore(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                       QStringLiteral("/TOLVAN"))
{
}

IniSettingsStore::IniSettingsStore(QString folder) : m_folder(std::move(folder)) {}

QString IniSettingsStore::fileName(const QString &application) const
{
    return QDir(m_folder).filePath(application + QStringLiteral(".ini"));
}

QString IniSettingsStore::value(const QString &application, const QString &section,
                                const QString &key, const QString &defaultValue)
{
    QSettings settings(fileName(application), QSettings::IniFormat);
    const QVariant stored = settings.value(section + u'/' + key);
    return stored.isValid() ? stored.toString() : defaultValue;
}

void IniSettingsStore::setValue(const QString &application, const QString &section,
                                const QString &key, const QString &value)
{
    QDir().mkpath(m_folder);
    QSettings settings(fileName(application), QSettings::IniFormat);
    settings.setValue(section + u'/' + key, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw RuntimeError(75, QStringLiteral("Pfad-/Dateizugriffsfehler: %1 kann nicht "
                                              "geschrieben werden")
                                   .arg(QDir::toNativeSeparators(fileName(application))));
}

} // namespace tolvan
