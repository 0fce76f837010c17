#include "SystemInfo.h"

#include "MessageBoxes.h"
#include "Programs.h"
#include "Registry.h"
#include "Windows1252.h"

#include <QCoreApplication>
#include <QtEndian>

namespace tolvan {
namespace {

constexpr quint32 BufferSize = 1024;

// Registry texts are single-byte: Windows-1252 both ways.
QByteArray ansi(const QString &text)
{
    QByteArray bytes;
    windows1252::append(bytes, text);
    return bytes;
}

QString fromAnsi(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        text[i] = QChar(windows1252::character(static_cast<unsigned char>(bytes[i])));
    return text;
}

bool readValue(Registry &registry, quint32 root, const QString &keyName, const QString &valueName,
               QString &keyVal)
{
    quintptr key = 0;
    bool read = false;
    if (registry.open(root, ansi(keyName), Registry::ReadAndWrite, key) == 0) {
        QByteArray buffer(BufferSize, '\0');
        quint32 type = 0;
        quint32 size = BufferSize;
        if (registry.query(key, ansi(valueName), type, buffer.data(), size) == 0 &&
            size <= BufferSize) {
            const QByteArray whole = buffer.left(size);
            QByteArray data = whole;
            if (data.endsWith('\0'))
                data.chop(1);
            if (type == Registry::String) {
                keyVal = fromAnsi(data);
            } else if (type == Registry::DoubleWord) {
                // the complete 32-bit value, also when its last byte is NUL
                QByteArray word = whole.left(4);
                word.resize(4, '\0');
                keyVal = QString::number(qFromLittleEndian<quint32>(word.constData()));
            }
            read = true;
        }
    }
    registry.close(key); // also after a failed open
    return read;
}

bool startFromRegistry(Registry &registry)
{
    QString path;
    if (!GetKeyValue(registry, Registry::LocalMachine,
                     QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                     QStringLiteral("PATH"), path)) {
        if (!GetKeyValue(registry, Registry::LocalMachine,
                         QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                         QStringLiteral("MSINFO"), path))
            return false;
        path += QStringLiteral("\\MSINFO32.EXE");
        if (!Programs::current().isPlainFile(path))
            return false;
    }
    return Programs::current().startDetached(path, {});
}

bool startDesktopProgram()
{
    Programs &programs = Programs::current();
    for (const SystemInfoProgram &candidate :
         systemInfoPrograms(qEnvironmentVariable("XDG_CURRENT_DESKTOP"))) {
        const QString path = programs.find(candidate.name);
        if (!path.isEmpty() && programs.startDetached(path, candidate.arguments))
            return true;
    }
    return false;
}

} // namespace

bool GetKeyValue(Registry &registry, quint32 KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal)
{
    if (readValue(registry, KeyRoot, KeyName, SubKeyRef, KeyVal))
        return true;
    KeyVal.clear();
    return false;
}

QList<SystemInfoProgram> systemInfoPrograms(const QString &currentDesktop)
{
    const SystemInfoProgram kde{QStringLiteral("kinfocenter"), {}};
    const SystemInfoProgram gnome{QStringLiteral("gnome-control-center"),
                                  {QStringLiteral("info-overview")}};
    QList<SystemInfoProgram> programs{kde, gnome};
    if (currentDesktop.contains(QStringLiteral("GNOME"), Qt::CaseInsensitive))
        programs = {gnome, kde};
    programs << SystemInfoProgram{QStringLiteral("hardinfo2"), {}}
             << SystemInfoProgram{QStringLiteral("hardinfo"), {}};
    return programs;
}

void StartSysInfo()
{
    bool started = false;
    try {
        Registry *registry = Registry::current();
        started = registry ? startFromRegistry(*registry) : startDesktopProgram();
    } catch (const std::exception &) {
        started = false;
    }
    if (!started)
        showMessage(QCoreApplication::applicationName(),
                    QStringLiteral("Systeminformationen sind momentan nicht verfügbar"),
                    MessageIcon::None, MessageButtons::Ok);
}

} // namespace tolvan
