#include "TestDatabase.h"

#include "DemoData.h"
#include "Schema.h"
#include "ServerError.h"

#include <QCoreApplication>

using namespace tolvan;

TestDatabase::TestDatabase(QString postgresDatabase)
    : m_postgres(qEnvironmentVariable("TOLVAN_TEST_ENGINE") == u"postgres"),
      m_database(std::move(postgresDatabase))
{
}

namespace {
// The server's own maintenance database, from which others are created and dropped.
std::unique_ptr<Engine> openAdmin()
{
    return openPostgres(qEnvironmentVariable("PGHOST"), qEnvironmentVariableIntValue("PGPORT"),
                        QStringLiteral("postgres"));
}
} // namespace

TestDatabase::~TestDatabase()
{
    m_engine.reset();
    if (m_postgres && !m_database.isEmpty()) {
        try {
            openAdmin()->exec("DROP DATABASE IF EXISTS " + m_database.toStdString() +
                              " WITH (FORCE)");
        } catch (const ServerError &) {
        }
    }
}

TestDatabase::State TestDatabase::setUp(qint64 generatedArticles)
{
    try {
        if (m_postgres) {
            if (qEnvironmentVariable("PGHOST").isEmpty()) {
                m_problem = QStringLiteral("no PostgreSQL server: run ./test");
                return qEnvironmentVariable("TOLVAN_TEST_POSTGRES") == u"1" ? State::Failed
                                                                            : State::Unavailable;
            }
            if (m_database.isEmpty())
                m_database = QStringLiteral("tolvan_t%1").arg(QCoreApplication::applicationPid());
            auto admin = openAdmin();
            admin->exec("DROP DATABASE IF EXISTS " + m_database.toStdString() + " WITH (FORCE)");
            admin->exec("CREATE DATABASE " + m_database.toStdString());
            m_engine = openPostgres(qEnvironmentVariable("PGHOST"),
                                    qEnvironmentVariableIntValue("PGPORT"), m_database);
        } else {
            if (!m_dir.isValid()) {
                m_problem = QStringLiteral("no temporary folder");
                return State::Failed;
            }
            const QString file = m_dir.filePath(QStringLiteral("tolvan.db"));
            qputenv("TOLVAN_DATABASE", file.toLocal8Bit());
            m_engine = openSqlite(file, true);
        }
        schema::create(*m_engine);
        loadDemoData(*m_engine, generatedArticles, [](const QString &) {});
        return State::Ready;
    } catch (const ServerError &error) {
        m_problem = error.description();
        return State::Failed;
    }
}

QString TestDatabase::serverAddress() const
{
    return m_postgres ? qEnvironmentVariable("PGHOST") : QString();
}

QString TestDatabase::port() const
{
    return m_postgres ? qEnvironmentVariable("PGPORT") : QStringLiteral("1972");
}

QString TestDatabase::connectString() const
{
    if (!m_postgres)
        return QStringLiteral("cn_iptcp:[1972]:TOLVAN");
    // The namespace in upper case: the component looks the database up in lower case.
    return QStringLiteral("cn_iptcp:%1[%2]:%3")
        .arg(qEnvironmentVariable("PGHOST"), qEnvironmentVariable("PGPORT"), m_database.toUpper());
}
