#include "Engine.h"
#include "ServerError.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <sqlite3.h>
#include <memory>
#include <optional>
#include <string>

namespace tolvan {
namespace {

constexpr int BusyTimeout = 5000; // milliseconds a writer waits for another
// What a write that may be left out waits: enough for the short writes of
// many programs connecting together, far below a reload's length.
constexpr int ShortBusyTimeout = 2000;

// What a failure means for the user, by SQLite's primary result code.
QString meaning(int code)
{
    switch (code & 0xFF) {
    case SQLITE_NOTADB:
        return QStringLiteral("Die Datei ist keine Datenbank");
    case SQLITE_CORRUPT:
        return QStringLiteral("Die Datenbankdatei ist beschädigt");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Die Datenbank ist von einem anderen Programm gesperrt");
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_IOERR:
        return QStringLiteral("Die Datenbankdatei ist nicht lesbar");
    case SQLITE_READONLY:
        return QStringLiteral("Die Datenbank ist schreibgeschützt");
    default:
        return QStringLiteral("Datenbankfehler");
    }
}

[[noreturn]] void fail(sqlite3 *db, const char *what)
{
    throw ServerError(ServerError::DatabaseFailure,
                      QStringLiteral("%1 (%2): %3")
                          .arg(meaning(sqlite3_extended_errcode(db)), QString::fromUtf8(what),
                               QString::fromUtf8(sqlite3_errmsg(db))));
}

// SQLite reads $1 as a named parameter; ?1 is the numbered form we mean.
std::string numberedParameters(std::string_view sql)
{
    std::string out(sql);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] == '$' && out[i + 1] >= '0' && out[i + 1] <= '9')
            out[i] = '?';
    }
    return out;
}

class SqliteStatement {
public:
    SqliteStatement(sqlite3 *db, std::string_view sql) : m_db(db)
    {
        const std::string text = numberedParameters(sql);
        if (sqlite3_prepare_v2(db, text.c_str(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK)
            fail(db, "prepare");
    }
    ~SqliteStatement() { sqlite3_finalize(m_stmt); }
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    void bind(const QVariantList &params)
    {
        sqlite3_reset(m_stmt);
        for (int i = 0; i < params.size(); ++i) {
            const QVariant &value = params.at(i);
            int rc;
            if (value.isNull()) {
                rc = sqlite3_bind_null(m_stmt, i + 1);
            } else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong) {
                rc = sqlite3_bind_int64(m_stmt, i + 1, value.toLongLong());
            } else {
                const QByteArray utf8 = value.toString().toUtf8();
                rc = sqlite3_bind_text(m_stmt, i + 1, utf8.constData(), int(utf8.size()),
                                       SQLITE_TRANSIENT);
            }
            if (rc != SQLITE_OK)
                fail(m_db, "bind");
        }
    }

    bool step()
    {
        switch (sqlite3_step(m_stmt)) {
        case SQLITE_ROW:
            return true;
        case SQLITE_DONE:
            return false;
        default:
            fail(m_db, "step");
        }
    }

    QByteArrayView utf8(int column) const
    {
        // One look-up of the column instead of two. The value is unprotected,
        // which only matters for a connection shared between threads.
        sqlite3_value *value = sqlite3_column_value(m_stmt, column);
        const auto *data = reinterpret_cast<const char *>(sqlite3_value_text(value));
        return {data, sqlite3_value_bytes(value)};
    }
    QString text(int column) const { return QString::fromUtf8(utf8(column)); }
    bool isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

class SqliteCursor final : public Cursor {
public:
    SqliteCursor(sqlite3 *db, std::string_view sql, const QVariantList &params) : m_stmt(db, sql)
    {
        m_stmt.bind(params);
    }
    bool next() override { return m_stmt.step(); }
    QByteArrayView utf8(int column) const override { return m_stmt.utf8(column); }
    bool isNull(int column) const override { return m_stmt.isNull(column); }

private:
    SqliteStatement m_stmt;
};

class SqliteBulkLoader final : public BulkLoader {
public:
    SqliteBulkLoader(sqlite3 *db, const QString &table, const QStringList &columns)
        : m_stmt(db, insertStatement(table, columns))
    {
    }
    void add(const QStringList &values) override
    {
        m_stmt.bind(QVariantList(values.cbegin(), values.cend()));
        m_stmt.step();
    }
    void finish() override {}

private:
    static std::string insertStatement(const QString &table, const QStringList &columns)
    {
        QStringList marks;
        for (int i = 1; i <= columns.size(); ++i)
            marks << QStringLiteral("$%1").arg(i);
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(table, columns.join(u','), marks.join(u','))
            .toStdString();
    }
    SqliteStatement m_stmt;
};

class SqliteEngine final : public Engine {
public:
    explicit SqliteEngine(sqlite3 *db) : m_db(db) {}
    ~SqliteEngine() override { sqlite3_close_v2(m_db); }

    Kind kind() const override { return Kind::Sqlite; }
    bool isOpen() const override { return true; }

    std::unique_ptr<Cursor> query(std::string_view sql, const QVariantList &params) override
    {
        return std::make_unique<SqliteCursor>(m_db, sql, params);
    }

    void exec(std::string_view sql, const QVariantList &params) override
    {
        SqliteStatement stmt(m_db, sql);
        stmt.bind(params);
        while (stmt.step()) {
        }
    }

    bool execUnlessBusy(std::string_view sql, const QVariantList &params) override
    {
        sqlite3_busy_timeout(m_db, ShortBusyTimeout);
        const auto restore = qScopeGuard([this] { sqlite3_busy_timeout(m_db, BusyTimeout); });
        try {
            exec(sql, params);
            return true;
        } catch (const ServerError &) {
            if ((sqlite3_extended_errcode(m_db) & 0xFF) == SQLITE_BUSY)
                return false;
            throw;
        }
    }

    void execScript(std::string_view sql) override
    {
        const std::string text(sql);
        if (sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(m_db, "script");
    }

    std::unique_ptr<BulkLoader> bulkLoad(const QString &table, const QStringList &columns) override
    {
        return std::make_unique<SqliteBulkLoader>(m_db, table, columns);
    }

private:
    sqlite3 *m_db;
};

// Handles that close themselves, for the steps of opening.
struct CloseDatabase {
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
struct FinishStatement {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinishStatement>;

// The first row's first column of a statement, or nothing when there is none;
// and the connection's result code right after the step.
struct FirstValue {
    std::optional<QByteArray> value;
    int code = SQLITE_OK;
};

FirstValue firstValue(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *prepared = nullptr;
    const StatementHandle statement(
        sqlite3_prepare_v2(db, sql, -1, &prepared, nullptr) == SQLITE_OK ? prepared : nullptr);
    FirstValue first;
    if (statement && sqlite3_step(statement.get()) == SQLITE_ROW)
        first.value = QByteArray(
            reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), 0)));
    first.code = sqlite3_errcode(db);
    return first;
}

// How the missing database file at `path` is made, for the message that it is missing.
QString howToMake(const QString &path)
{
    const auto absolute = [](const QString &file) {
        return QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    };
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity names = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity names = Qt::CaseSensitive;
#endif
    if (absolute(path).compare(absolute(defaultDatabasePath()), names) == 0) {
#ifdef Q_OS_WIN
        return QStringLiteral("Mit Demodaten legt sie der Eintrag „Demodaten anlegen“ im "
                              "Startmenü (Ordner TOLVAN) an, oder der Befehl „tolvan-db demo“.");
#else
        return QStringLiteral("Mit Demodaten legt sie der Befehl „tolvan-db demo“ an.");
#endif
    }
    return QStringLiteral("Mit Demodaten legt sie der Befehl „tolvan-db demo --database \"%1\"“ an.")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace

std::unique_ptr<Engine> openSqlite(const QString &path, bool create)
{
    const QFileInfo file(path);
    if (!create && !file.isFile())
        throw DatabaseNotSetUp(QStringLiteral("Die Datenbankdatei %1 existiert nicht.\r\n%2")
                                   .arg(QDir::toNativeSeparators(path), howToMake(path)));
    // No memory statistics: they take a global lock on every allocation. Only
    // possible before the library's first use; later calls change nothing.
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    Q_UNUSED(configured);
    // Only an SQLite file is opened: an empty or foreign file is left untouched.
    // SQLite reads the header itself and refuses a foreign file at the first
    // statement; an empty file it would take for a new database. The file is
    // never opened here: closing any handle of it would drop the locks of
    // every other connection of this process, and another program could then
    // remove the write-ahead log under them.
    if (!create && file.size() == 0)
        throw ServerError(ServerError::DatabaseFailure,
                          QStringLiteral("Die Datenbankdatei %1 lässt sich nicht öffnen: Die "
                                         "Datei ist keine Datenbank")
                              .arg(path));
    // A connection is used by one thread at a time: no lock around every call.
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    sqlite3 *opened = nullptr;
    // SQLite takes the path in UTF-8 on every platform.
    const int openCode = sqlite3_open_v2(path.toUtf8().constData(), &opened, flags, nullptr);
    DatabaseHandle db(opened);
    // SQLite's own message only where it has one ("not an error" is none).
    const auto refuse = [&db, &path](const QString &why) {
        const int code = sqlite3_errcode(db.get());
        const QString message =
            code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE
                ? QString()
                : QStringLiteral(" (%1)").arg(QString::fromUtf8(sqlite3_errmsg(db.get())));
        throw ServerError(ServerError::DatabaseFailure,
                          QStringLiteral("Die Datenbankdatei %1 lässt sich nicht öffnen: %2%3")
                              .arg(path, why, message));
    };
    if (openCode != SQLITE_OK)
        refuse(meaning(sqlite3_extended_errcode(db.get())));
    sqlite3_busy_timeout(db.get(), BusyTimeout);
    sqlite3_extended_result_codes(db.get(), 1);
    // A file the program may only read would fail at the first write (the
    // connection log): refuse it now.
    if (sqlite3_db_readonly(db.get(), "main") == 1)
        refuse(QStringLiteral("Die Datei ist schreibgeschützt"));
    // Write-ahead log: readers go on while a writer loads data, and see the old
    // data until it commits. Needs a folder in which the log can be created.
    // A database that is not TOLVAN's keeps its journal mode.
    if (!create) {
        const FirstValue ours = firstValue(db.get(), "SELECT 1 FROM sqlite_master WHERE type = "
                                                     "'table' AND name = 'tolvan_meta'");
        const int code = ours.code;
        if (!ours.value) {
            if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW)
                refuse(meaning(sqlite3_extended_errcode(db.get())));
            return std::make_unique<SqliteEngine>(db.release());
        }
    }
    if (firstValue(db.get(), "PRAGMA journal_mode = WAL").value != QByteArray("wal"))
        refuse(sqlite3_errcode(db.get()) == SQLITE_OK
                   ? QStringLiteral("Im Ordner der Datei kann nichts angelegt werden")
                   : meaning(sqlite3_extended_errcode(db.get())));
    return std::make_unique<SqliteEngine>(db.release());
}

} // namespace tolvan
