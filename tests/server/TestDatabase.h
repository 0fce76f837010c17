#pragma once

#include "Engine.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

// A fresh demo database for one test binary, on the engine named by
// TOLVAN_TEST_ENGINE ("sqlite" or "postgres"). The PostgreSQL case needs the
// server that ./test starts (PGHOST, PGPORT, PGUSER); when ./test promised one
// (TOLVAN_TEST_POSTGRES=1), its absence is a failure, not a skip.
class TestDatabase {
public:
    enum class State { Ready, Unavailable, Failed };

    // On PostgreSQL a database of its own, or the one named (the program
    // always asks for "tolvan"; only one test binary may use that name).
    explicit TestDatabase(QString postgresDatabase = QString());
    ~TestDatabase();

    State setUp(qint64 generatedArticles = 0);
    const QString &problem() const { return m_problem; }
    bool isPostgres() const { return m_postgres; }

    // What the program would pass to connect.
    QString connectString() const;
    // Where the program finds the server: empty (the embedded file) or PGHOST, and the port.
    QString serverAddress() const;
    QString port() const;
    // A direct connection for checking what the component did.
    tolvan::Engine &engine() { return *m_engine; }

private:
    bool m_postgres;
    QString m_problem;
    QString m_database;
    QTemporaryDir m_dir;
    std::unique_ptr<tolvan::Engine> m_engine;
};

// Use in initTestCase(): skips or fails the whole test binary as the state says.
#define TOLVAN_REQUIRE_DATABASE(db, ...)                                                           \
    do {                                                                                           \
        switch ((db).setUp(__VA_ARGS__)) {                                                         \
        case TestDatabase::State::Ready:                                                           \
            break;                                                                                 \
        case TestDatabase::State::Unavailable:                                                     \
            QSKIP(qPrintable((db).problem()));                                                     \
        case TestDatabase::State::Failed:                                                          \
            QFAIL(qPrintable((db).problem()));                                                     \
        }                                                                                          \
    } while (false)
