// The settings store on Windows, with the registry's wide-character functions.
// Not QSettings' native format: it stores a text holding NUL as REG_BINARY and
// escapes texts that begin with "@", so values an administrator writes with
// "reg add" and the program's own would not read alike.

#include "RegistrySettingsStore.h"

#include "RuntimeError.h"

#include <cstring>
#include <optional>
#include <windows.h>

namespace tolvan {
namespace {

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

// The value's text, or nothing when the key or value is missing or of a type
// that holds no text. REG_EXPAND_SZ is read as written, without expanding.
std::optional<QString> readText(HKEY hive, const QString &path, const QString &name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(hive, wide(path).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<QString> result;
    const std::wstring valueName = wide(name);
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
    std::wstring data;
    // The value may grow between asking its size and reading it.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        data.assign(size / sizeof(wchar_t) + 1, L'\0');
        DWORD read = size;
        status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE *>(data.data()), &read);
        size = read;
        if (status == ERROR_SUCCESS)
            break;
    }
    if (status == ERROR_SUCCESS) {
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            qsizetype length = size / sizeof(wchar_t);
            // The terminating NUL the registry keeps is not part of the text;
            // NULs inside it are.
            if (length > 0 && data[length - 1] == L'\0')
                --length;
            result = QString::fromWCharArray(data.data(), length);
        } else if (type == REG_DWORD && size == sizeof(DWORD)) {
            DWORD number = 0;
            std::memcpy(&number, data.data(), sizeof number);
            result = QString::number(number);
        }
    }
    RegCloseKey(key);
    return result;
}

} // namespace

RegistrySettingsStore::RegistrySettingsStore(QString root) : m_root(std::move(root)) {}

QString RegistrySettingsStore::keyPath(const QString &application, const QString &section) const
{
    return m_root + u'\\' + application + u'\\' + section;
}

QString RegistrySettingsStore::value(const SettingKey &setting, const QString &defaultValue)
{
    const QString path = keyPath(setting.application, setting.section);
    const QString &key = setting.name;
    if (const auto own = readText(HKEY_CURRENT_USER, path, key))
        return *own;
    if (setting.everyUserDefault)
        if (const auto everyUser = readText(HKEY_LOCAL_MACHINE, path, key))
            return *everyUser;
    return defaultValue;
}

void RegistrySettingsStore::setValue(const SettingKey &setting, const QString &value)
{
    const QString path = keyPath(setting.application, setting.section);
    const QString &key = setting.name;
    // A value equal to the administrator's is not kept as the user's own, so
    // that a later change of the administrator's reaches the user.
    if (setting.everyUserDefault &&
        readText(HKEY_LOCAL_MACHINE, path, key) == value) {
        const LSTATUS removed =
            RegDeleteKeyValueW(HKEY_CURRENT_USER, wide(path).c_str(), wide(key).c_str());
        if (removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND)
            return;
    }
    HKEY opened = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, wide(path).c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, &opened, nullptr);
    if (status == ERROR_SUCCESS) {
        // The whole text and its terminating NUL, whatever NULs it holds.
        const std::wstring data = wide(value);
        status = RegSetValueExW(opened, wide(key).c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE *>(data.c_str()),
                                static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
    }
    if (status != ERROR_SUCCESS)
        throw RuntimeError(75,
                           QStringLiteral("Pfad-/Dateizugriffsfehler: %1 kann nicht "
                                          "geschrieben werden")
                               .arg(QStringLiteral("HKEY_CURRENT_USER\\") + path + u'\\' + key));
}

} // namespace tolvan
