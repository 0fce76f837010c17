#include "Target.h"

#include "Engine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tolvan {

QString Target::describe() const
{
    if (isServer())
        return QStringLiteral("PostgreSQL %1:%2, Datenbank %3")
            .arg(server)
            .arg(port)
            .arg(nameSpace.toLower());
    return QStringLiteral("Datei %1").arg(QDir::toNativeSeparators(file));
}

QString Target::connectString() const
{
    return QStringLiteral("cn_iptcp:%1[%2]:%3").arg(server).arg(port).arg(nameSpace);
}

std::unique_ptr<Engine> Target::open(bool create) const
{
    if (isServer())
        return openPostgres(server, port, nameSpace.toLower());
    if (create && !QFileInfo::exists(file)) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        // The users' passwords are in it: a new file is its owner's alone,
        // and SQLite gives its log files the same mode. An administrator
        // opens a shared file to a group with chmod.
        QFile(file).open(QIODevice::WriteOnly | QIODevice::NewOnly,
                         QFile::ReadOwner | QFile::WriteOwner);
    }
    return openSqlite(file, create);
}

} // namespace tolvan
