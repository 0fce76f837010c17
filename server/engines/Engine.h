#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <string_view>

namespace tolvan {

// Forward-only rows of one executed statement. Columns count from 0.
class Cursor {
public:
    virtual ~Cursor() = default;
    // Steps to the next row; false after the last one.
    virtual bool next() = 0;
    // The column's UTF-8 bytes, valid until the next step.
    virtual QByteArrayView utf8(int column) const = 0;
    QString text(int column) const { return QString::fromUtf8(utf8(column)); }
    virtual bool isNull(int column) const = 0;
};

// Rows appended to one table in bulk (COPY on PostgreSQL, one prepared insert on SQLite).
class BulkLoader {
public:
    virtual ~BulkLoader() = default;
    virtual void add(const QStringList &values) = 0;
    virtual void finish() = 0;
};

// One open database: the same SQL on SQLite and PostgreSQL. Parameters are
// written $1, $2, ... and always bound, never pasted into the text.
// Every failure raises ServerError(DatabaseFailure).
class Engine {
public:
    enum class Kind { Sqlite, Postgres };

    virtual ~Engine() = default;
    virtual Kind kind() const = 0;
    virtual bool isOpen() const = 0;

    // Runs a statement and returns its rows. Only one streaming cursor is
    // active at a time on PostgreSQL; a new query finishes an older one.
    virtual std::unique_ptr<Cursor> query(std::string_view sql,
                                          const QVariantList &params = {}) = 0;
    // Runs a statement without rows.
    virtual void exec(std::string_view sql, const QVariantList &params = {}) = 0;
    // Runs a statement without rows unless it would have to wait long for
    // another program's write (SQLite: more than two seconds); false when it
    // did not run.
    virtual bool execUnlessBusy(std::string_view sql, const QVariantList &params = {}) = 0;
    // Runs several statements without parameters (schema scripts).
    virtual void execScript(std::string_view sql) = 0;
    virtual std::unique_ptr<BulkLoader> bulkLoad(const QString &table,
                                                 const QStringList &columns) = 0;

    // The first column of the first row, or the default when there is no row.
    QString scalar(std::string_view sql, const QVariantList &params = {}, const QString &def = {});

private:
    friend class Transaction;
    int m_transactions = 0; // open Transaction objects; the outermost owns BEGIN and COMMIT
};

// One transaction: BEGIN now, COMMIT on commit(), ROLLBACK when left without it
// (a failing ROLLBACK is ignored so that the error that caused it survives).
// A transaction opened inside another joins the outer one.
class Transaction {
public:
    explicit Transaction(Engine &engine);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Engine &m_engine;
    bool m_outermost;
    bool m_done = false;
};

// Where the embedded database lives when TOLVAN_DATABASE names none.
QString defaultDatabasePath();
// The embedded database file: the one this process was told to use, else
// TOLVAN_DATABASE, else the default path.
QString embeddedDatabasePath();
// Names the embedded database file for this process (tolvan-db's --database),
// over TOLVAN_DATABASE: a path in any script, unlike an environment variable
// set through Windows' ANSI code page. Called before the first connect.
void useEmbeddedDatabase(const QString &path);

// Opens an existing SQLite file read-write, or creates it when `create` is set.
// Raises ServerError when the file is missing or cannot be opened.
std::unique_ptr<Engine> openSqlite(const QString &path, bool create);
// Opens a PostgreSQL database; role and password come from the standard client
// environment. Raises ServerError when the server refuses or cannot be reached.
std::unique_ptr<Engine> openPostgres(const QString &host, int port, const QString &database);

} // namespace tolvan
