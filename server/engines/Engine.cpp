#include "Engine.h"

#include "ServerError.h"

#include <QDir>
#include <QStandardPaths>

namespace tolvan {

QString Engine::scalar(std::string_view sql, const QVariantList &params, const QString &def)
{
    auto rows = query(sql, params);
    return rows->next() ? rows->text(0) : def;
}

Transaction::Transaction(Engine &engine) : m_engine(engine), m_outermost(engine.m_transactions == 0)
{
    // SQLite: take the write lock at once, so that a writer waits (busy timeout)
    // instead of failing when a reader came between its read and its write.
    if (m_outermost)
        m_engine.execScript(m_engine.kind() == Engine::Kind::Sqlite ? "BEGIN IMMEDIATE" : "BEGIN");
    ++m_engine.m_transactions;
}

Transaction::~Transaction()
{
    --m_engine.m_transactions;
    if (m_done || !m_outermost)
        return;
    try {
        m_engine.execScript("ROLLBACK");
    } catch (const ServerError &) {
        // the connection is gone or the transaction already ended; the caller's error counts
    }
}

void Transaction::commit()
{
    if (m_outermost)
        m_engine.execScript("COMMIT"); // a failed COMMIT is rolled back when leaving
    m_done = true;
}

QString defaultDatabasePath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QStringLiteral("TOLVAN/tolvan.db"));
}

namespace {
QString &chosenDatabase()
{
    static QString path;
    return path;
}
} // namespace

void useEmbeddedDatabase(const QString &path)
{
    chosenDatabase() = path;
}

QString embeddedDatabasePath()
{
    if (!chosenDatabase().isEmpty())
        return chosenDatabase();
    const QString fromEnvironment = qEnvironmentVariable("TOLVAN_DATABASE");
    return fromEnvironment.isEmpty() ? defaultDatabasePath() : fromEnvironment;
}

} // namespace tolvan
