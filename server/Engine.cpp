#include "Engine.h"

#include <QDir>
#include <QStandardPaths>

namespace tolvan {

QString Engine::scalar(std::string_view sql, const QVariantList &params, const QString &def)
{
    auto rows = query(sql, params);
    return rows->next() ? rows->text(0) : def;
}

QString defaultDatabasePath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QStringLiteral("TOLVAN/tolvan.db"));
}

QString embeddedDatabasePath()
{
    const QString fromEnvironment = qEnvironmentVariable("TOLVAN_DATABASE");
    return fromEnvironment.isEmpty() ? defaultDatabasePath() : fromEnvironment;
}

} // namespace tolvan
