#pragma once

#include <QString>
#include <QStringList>

namespace tolvan {

class Registry;

// Reads one registry value as text into `KeyVal`: a string as it is stored
// (without its closing NUL), a double word as its decimal value; other types
// leave `KeyVal` as it was. The key is opened with write rights included, as
// the desktop's system information entries expect. False, with `KeyVal`
// empty, when the key or the value cannot be read or the data exceed 1024 bytes.
bool GetKeyValue(Registry &registry, quint32 KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal);

// Starts the system information program as a separate process, or says
// "Systeminformationen sind momentan nicht verfügbar". With a registry: the
// program the registry names. Without (Linux): the desktop's own, see below.
void StartSysInfo();

// The system information programs tried without a registry, in this order:
// the running desktop's own first (XDG_CURRENT_DESKTOP), then KDE's Info
// Center, GNOME's Settings on its "About" page, and HardInfo.
struct SystemInfoProgram {
    QString name;
    QStringList arguments;
};
QList<SystemInfoProgram> systemInfoPrograms(const QString &currentDesktop);

} // namespace tolvan
