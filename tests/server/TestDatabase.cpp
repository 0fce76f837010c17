#include "TestDatabase.h"

#include "DemoData.h"
#include "Schema.h"
#include "ServerError.h"

#include <QCoreApplication>

using namespace tolvan;

TestDatabase::TestDatabase() : m_postgres(qEnvironmentVariable("TOLVAN_TEST_ENGINE") == u"postgres")
{
}

TestDatabase::~TestDatabase()
{
    m_engine.reset();
    if (m_postgres && !m_database.isEmpty()) {
        try {
            openPostgres(qEnvironmentVariable("PGHOST"), qEnvironmentVariableIntValue("PGPORT"),
                         QStringLiteral("tolvan"))
                ->exec("DROP DATABASE IF EXISTS " + m_database.toStdString() + " WITH (FORCE)");
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
            m_database = QStringLiteral("tolvan_t%1").arg(QCoreApplication::applicationPid());
            auto admin =
                openPostgres(qEnvironmentVariable("PGHOST"), qEnvironmentVariableIntValue("PGPORT"),
                             QStringLiteral("tolvan"));
            admin->exec("DROP DATABASE IF EXISTS " + m_database.toStdString());
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

QString TestDatabase::connectString() const
{
    if (!m_postgres)
        return QStringLiteral("cn_iptcp:[1972]:TOLVAN");
    // The namespace in upper case: the component looks the database up in lower case.
    return QStringLiteral("cn_iptcp:%1[%2]:%3")
        .arg(qEnvironmentVariable("PGHOST"), qEnvironmentVariable("PGPORT"), m_database.toUpper());
}
