#include "IniSettingsStore.h"

#include "IniFormat.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

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

} // namespace

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
    QSettings settings(fileName(application), iniFormat());
    const QVariant stored = settings.value(section + u'/' + key);
    return stored.isValid() ? stored.toString() : defaultValue;
}

void IniSettingsStore::setValue(const QString &application, const QString &section,
                                const QString &key, const QString &value)
{
    keepPrivate(m_folder, fileName(application));
    QSettings settings(fileName(application), iniFormat());
    settings.setValue(section + u'/' + key, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw RuntimeError(75, QStringLiteral("Pfad-/Dateizugriffsfehler: %1 kann nicht "
                                              "geschrieben werden")
                                   .arg(QDir::toNativeSeparators(fileName(application))));
}

} // namespace tolvan
