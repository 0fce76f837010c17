#include "IniSettingsStore.h"

#include "IniFormat.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <optional>

namespace tolvan {
namespace {

constexpr QFile::Permissions OwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions GroupAndOthers = QFile::ReadGroup | QFile::WriteGroup |
                                              QFile::ExeGroup | QFile::ReadOther |
                                              QFile::WriteOther | QFile::ExeOther;

// The login settings hold the scrambled password: the folder and its files are
// the user's alone. A mode the user made stricter stays as it is.
void keepPrivate(const QString &folder, const QString &file)
{
    if (!QDir(folder).exists()) {
        QDir().mkpath(QFileInfo(folder).absolutePath());
        QDir().mkdir(folder, OwnerOnly | QFile::ExeOwner);
    }
    if (!QFile::exists(file)) {
        QFile created(file);
        created.open(QIODevice::WriteOnly | QIODevice::NewOnly, OwnerOnly);
    } else if (QFile::permissions(file) & GroupAndOthers) {
        QFile::setPermissions(file, QFile::permissions(file) & ~GroupAndOthers);
    }
}

QString tolvanFolder(const QString &configFolder)
{
    return configFolder + QStringLiteral("/TOLVAN");
}

// The folders of XDG_CONFIG_DIRS (/etc/xdg when it is unset), most important first.
QStringList systemFolders()
{
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QStringList folders;
    for (const QString &folder :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        if (folder != own)
            folders << tolvanFolder(folder);
    return folders;
}

// The name under which the file keeps a value. Section and key names do not
// tell upper from lower case, as in the registry: a value is found under any
// spelling, and written under the one the file already has (the exact one
// first), a new key into its section as the file spells it.
QString storedName(const QSettings &settings, const QString &section, const QString &key)
{
    const QString wanted = section + u'/' + key;
    if (settings.contains(wanted))
        return wanted;
    const QStringList names = settings.allKeys();
    for (const QString &name : names)
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    const QStringList sections = settings.childGroups();
    for (const QString &spelt : sections)
        if (spelt.compare(section, Qt::CaseInsensitive) == 0)
            return spelt + u'/' + key;
    return wanted;
}

std::optional<QString> storedValue(const QString &file, const QString &section, const QString &key)
{
    if (!QFileInfo::exists(file))
        return std::nullopt;
    QSettings settings(file, iniFormat());
    const QVariant stored = settings.value(storedName(settings, section, key));
    return stored.isValid() ? std::optional(stored.toString()) : std::nullopt;
}

} // namespace

IniSettingsStore::IniSettingsStore()
    : IniSettingsStore(
          tolvanFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)),
          systemFolders())
{
}

IniSettingsStore::IniSettingsStore(QString folder, QStringList everyUserFolders)
    : m_folder(std::move(folder)), m_everyUserFolders(std::move(everyUserFolders))
{
}

QString IniSettingsStore::fileName(const QString &application) const
{
    return QDir(m_folder).filePath(application + QStringLiteral(".ini"));
}

std::optional<QString> IniSettingsStore::everyUserValue(const SettingKey &key) const
{
    if (!key.everyUserDefault)
        return std::nullopt;
    const QString name = key.application + QStringLiteral(".ini");
    for (const QString &folder : m_everyUserFolders)
        if (const auto preset = storedValue(QDir(folder).filePath(name), key.section, key.name))
            return preset;
    return std::nullopt;
}

QString IniSettingsStore::value(const SettingKey &key, const QString &defaultValue)
{
    if (const auto own = storedValue(fileName(key.application), key.section, key.name))
        return *own;
    return everyUserValue(key).value_or(defaultValue);
}

void IniSettingsStore::setValue(const SettingKey &key, const QString &value)
{
    const QString application = key.application;
    keepPrivate(m_folder, fileName(application));
    QSettings settings(fileName(application), iniFormat());
    // "Anmelden" stores the server it shows: a value equal to the
    // administrator's is not kept as the user's own, so that a later change
    // of the administrator's reaches the user.
    const QString name = storedName(settings, key.section, key.name);
    if (everyUserValue(key) == value)
        settings.remove(name);
    else
        settings.setValue(name, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw RuntimeError(75, QStringLiteral("Pfad-/Dateizugriffsfehler: %1 kann nicht "
                                              "geschrieben werden")
                                   .arg(QDir::toNativeSeparators(fileName(application))));
}

} // namespace tolvan
