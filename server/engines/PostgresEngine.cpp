#include "Engine.h"
#include "PostgresLibrary.h"
#include "ServerError.h"

#include "SocketWait.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace tolvan {
namespace {

const libpq::Functions &pq()
{
    return libpq::functions();
}

[[noreturn]] void fail(PGconn *conn, const char *what)
{
    throw ServerError(
        ServerError::DatabaseFailure,
        QStringLiteral("Datenbankfehler (%1): %2")
            .arg(QString::fromUtf8(what), QString::fromUtf8(pq().errorMessage(conn)).trimmed()));
}

// Parameter values as libpq wants them: UTF-8 texts, a null pointer for NULL.
class Parameters {
public:
    explicit Parameters(const QVariantList &params)
    {
        m_texts.reserve(params.size());
        for (const QVariant &value : params) {
            m_texts.push_back(value.isNull() ? QByteArray() : value.toString().toUtf8());
            // libpq would send the text only up to its NUL: refuse instead of cutting.
            if (m_texts.back().contains('\0'))
                throw ServerError(ServerError::DatabaseFailure,
                                  QStringLiteral("Datenbankfehler: Ein Text mit dem Zeichen NUL "
                                                 "lässt sich nicht speichern"));
        }
        for (int i = 0; i < params.size(); ++i)
            m_values.push_back(params.at(i).isNull() ? nullptr : m_texts[i].constData());
    }
    int count() const { return int(m_values.size()); }
    const char *const *values() const { return m_values.data(); }

private:
    std::vector<QByteArray> m_texts;
    std::vector<const char *> m_values;
};

struct ResultDeleter {
    void operator()(PGresult *result) const { pq().clear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

class PostgresEngine;

// Rows arrive one at a time (libpq's single-row mode), so a million rows are
// never held in memory at once.
class PostgresCursor final : public Cursor {
public:
    PostgresCursor(PostgresEngine &engine, PGconn *conn) : m_engine(&engine), m_conn(conn) {}
    ~PostgresCursor() override;

    bool next() override
    {
        if (m_abandoned)
            throw ServerError(ServerError::DatabaseFailure,
                              QStringLiteral("Die Abfrage wurde durch eine neuere abgebrochen"));
        if (m_finished)
            return false;
        m_row.reset(pq().getResult(m_conn));
        if (!m_row) {
            m_finished = true;
            return false;
        }
        switch (pq().resultStatus(m_row.get())) {
        case PGRES_SINGLE_TUPLE:
            return true;
        case PGRES_TUPLES_OK:
        case PGRES_COMMAND_OK:
            drain();
            return false;
        default: {
            const QString message = QString::fromUtf8(pq().resultErrorMessage(m_row.get())).trimmed();
            drain();
            throw ServerError(ServerError::DatabaseFailure,
                              QStringLiteral("Datenbankfehler (query): %1").arg(message));
        }
        }
    }

    QByteArrayView utf8(int column) const override
    {
        return {pq().getvalue(m_row.get(), 0, column), pq().getlength(m_row.get(), 0, column)};
    }
    bool isNull(int column) const override { return pq().getisnull(m_row.get(), 0, column) != 0; }

    // The engine closes under the cursor: nothing is left to read or finish.
    void orphan()
    {
        m_row.reset();
        m_engine = nullptr;
        m_conn = nullptr;
        m_finished = true;
        m_abandoned = true;
    }

    // Ends the statement early so that the connection can serve another one;
    // the engine no longer knows the cursor, which may outlive it.
    void abandonForNewer()
    {
        abandon();
        m_engine = nullptr;
        m_conn = nullptr;
    }

    // Ends the statement early so that the connection can serve another one.
    void abandon()
    {
        if (!m_finished) {
            int rows = 0;
            while (Result result{pq().getResult(m_conn)}) {
                if (++rows == 64)
                    cancel();
            }
        }
        m_row.reset();
        m_finished = true;
        m_abandoned = true;
    }

private:
    void drain()
    {
        m_row.reset();
        while (Result result{pq().getResult(m_conn)}) {
        }
        m_finished = true;
    }
    void cancel()
    {
        if (PGcancel *handle = pq().getCancel(m_conn)) {
            char error[256];
            pq().cancel(handle, error, sizeof error);
            pq().freeCancel(handle);
        }
    }

    PostgresEngine *m_engine;
    PGconn *m_conn;
    Result m_row;
    bool m_finished = false;
    bool m_abandoned = false;
};

class PostgresBulkLoader final : public BulkLoader {
public:
    PostgresBulkLoader(PGconn *conn, const QString &table, const QStringList &columns)
        : m_conn(conn)
    {
        const QByteArray copy =
            QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(u',')).toUtf8();
        Result result{pq().exec(conn, copy.constData())};
        if (pq().resultStatus(result.get()) != PGRES_COPY_IN)
            fail(conn, "copy");
    }

    void add(const QStringList &values) override
    {
        for (int i = 0; i < values.size(); ++i) {
            if (i > 0)
                m_buffer += '\t';
            appendEscaped(values.at(i).toUtf8());
        }
        m_buffer += '\n';
        if (m_buffer.size() > (1 << 20))
            flush();
    }

    // An unfinished COPY is ended as failed, so that the connection can serve
    // the next statement (the transaction around it is rolled back).
    ~PostgresBulkLoader() override
    {
        if (m_finished)
            return;
        pq().putCopyEnd(m_conn, "abgebrochen");
        while (Result rest{pq().getResult(m_conn)}) {
        }
    }

    void finish() override
    {
        flush();
        if (pq().putCopyEnd(m_conn, nullptr) != 1)
            fail(m_conn, "copy");
        m_finished = true; // the COPY is ended; only its result is left to read
        Result result{pq().getResult(m_conn)};
        const bool ok = pq().resultStatus(result.get()) == PGRES_COMMAND_OK;
        while (Result rest{pq().getResult(m_conn)}) {
        }
        if (!ok)
            fail(m_conn, "copy");
    }

private:
    // COPY's text format: backslash, tab, line feed and carriage return are escaped.
    void appendEscaped(const QByteArray &value)
    {
        for (char c : value) {
            switch (c) {
            case '\\':
                m_buffer += "\\\\";
                break;
            case '\t':
                m_buffer += "\\t";
                break;
            case '\n':
                m_buffer += "\\n";
                break;
            case '\r':
                m_buffer += "\\r";
                break;
            default:
                m_buffer += c;
            }
        }
    }
    void flush()
    {
        if (!m_buffer.isEmpty() &&
            pq().putCopyData(m_conn, m_buffer.constData(), int(m_buffer.size())) != 1)
            fail(m_conn, "copy");
        m_buffer.clear();
    }

    PGconn *m_conn;
    QByteArray m_buffer;
    bool m_finished = false;
};

class PostgresEngine final : public Engine {
public:
    explicit PostgresEngine(PGconn *conn) : m_conn(conn) {}
    ~PostgresEngine() override
    {
        if (m_active)
            m_active->orphan();
        pq().finish(m_conn);
    }

    Kind kind() const override { return Kind::Postgres; }
    bool isOpen() const override { return pq().status(m_conn) == CONNECTION_OK; }

    std::unique_ptr<Cursor> query(std::string_view sql, const QVariantList &params) override
    {
        finishActive();
        const std::string text(sql);
        const Parameters values(params);
        if (pq().sendQueryParams(m_conn, text.c_str(), values.count(), nullptr, values.values(),
                              nullptr, nullptr, 0) != 1)
            fail(m_conn, "query");
        pq().setSingleRowMode(m_conn);
        auto cursor = std::make_unique<PostgresCursor>(*this, m_conn);
        m_active = cursor.get();
        return cursor;
    }

    void exec(std::string_view sql, const QVariantList &params) override
    {
        finishActive();
        const std::string text(sql);
        const Parameters values(params);
        Result result{pq().execParams(m_conn, text.c_str(), values.count(), nullptr, values.values(),
                                   nullptr, nullptr, 0)};
        const auto status = pq().resultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            fail(m_conn, "exec");
    }

    // Readers and writers of different rows never wait for each other here.
    bool execUnlessBusy(std::string_view sql, const QVariantList &params) override
    {
        exec(sql, params);
        return true;
    }

    void execScript(std::string_view sql) override
    {
        finishActive();
        const std::string text(sql);
        Result result{pq().exec(m_conn, text.c_str())};
        if (pq().resultStatus(result.get()) != PGRES_COMMAND_OK)
            fail(m_conn, "script");
    }

    std::unique_ptr<BulkLoader> bulkLoad(const QString &table, const QStringList &columns) override
    {
        finishActive();
        return std::make_unique<PostgresBulkLoader>(m_conn, table, columns);
    }

    void forget(PostgresCursor *cursor)
    {
        if (m_active == cursor)
            m_active = nullptr;
    }

private:
    void finishActive()
    {
        if (m_active) {
            m_active->abandonForNewer();
            m_active = nullptr;
        }
    }

    PGconn *m_conn;
    PostgresCursor *m_active = nullptr;
};

PostgresCursor::~PostgresCursor()
{
    if (!m_engine)
        return;
    if (!m_finished)
        abandon();
    m_engine->forget(this);
}

void ignoreNotice(void *, const char *) {}

// How long a connect may take, the server's answer to the login included.
constexpr int ConnectMilliseconds = 10'000;

struct ConnectRefusal {
    QString message;
    bool busy;
};

// A failed connect's message in libpq's verbose form: the server's error code
// after the severity ("FATAL:  53300: sorry, too many clients already") and a
// last line naming the server's source ("LOCATION:  InitProcess, proc.c:359").
// Returns the message as libpq's default form would read, and whether the
// refusal is one to wait out: no free connection slot (53300), the server
// starting up or shutting down (57P03), a connection pooler's client limit or
// queue timeout.
ConnectRefusal readRefusal(QString message)
{
    static const QRegularExpression code(QStringLiteral(":  ([0-9A-Z]{5}): "));
    static const QRegularExpression location(QStringLiteral("\\n[^\\n:]+:  [^\\n]+, [^\\n]+:[0-9]+\\s*$"));
    static const QRegularExpression pooler(
        QStringLiteral("max_client_conn|query_wait_timeout|client_login_timeout"));
    message.remove(location);
    const QRegularExpressionMatch found = code.match(message);
    const QString state = found.captured(1);
    if (found.hasMatch())
        message.remove(found.capturedStart(1), found.capturedLength(1) + 2);
    const bool busy =
        state == u"53300" || state == u"57P03" || pooler.match(message).hasMatch();
    return {message.trimmed(), busy};
}

} // namespace

std::unique_ptr<Engine> openPostgres(const QString &host, int port, const QString &database)
{
    const QByteArray hostText = host.toUtf8();
    const QByteArray portText = QByteArray::number(port);
    const QByteArray databaseText = database.toUtf8();
    const char *keys[] = {"host", "port", "dbname", "client_encoding", "application_name", nullptr};
    const char *values[] = {hostText.constData(),   portText.constData(),     databaseText.constData(),
                            "UTF8", "TOLVAN Dravonik-Export", nullptr};
    PGconn *conn = pq().connectStartParams(keys, values, 0);
    if (!conn)
        throw std::bad_alloc();
    const auto refuse = [&](const QString &message, bool busy) {
        pq().finish(conn);
        const QString description = QStringLiteral("Der Datenbankserver %1:%2 ist nicht erreichbar: %3")
                                        .arg(host)
                                        .arg(port)
                                        .arg(message);
        if (busy)
            throw ServerBusy(description);
        throw ServerError(ServerError::DatabaseFailure, description);
    };
    // The verbose form carries the server's error code, which tells a full
    // server from a refused login whatever language the server writes in.
    pq().setErrorVerbosity(conn, PQERRORS_VERBOSE);
    const QDeadlineTimer deadline(ConnectMilliseconds);
    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    while (pq().status(conn) != CONNECTION_BAD && polling != PGRES_POLLING_OK &&
           polling != PGRES_POLLING_FAILED) {
        const SocketWait ready =
            waitForSocket(pq().socket(conn), polling == PGRES_POLLING_WRITING,
                          int(std::max<qint64>(0, deadline.remainingTime())));
        if (ready == SocketWait::TimedOut)
            refuse(QStringLiteral("keine Antwort innerhalb von %1 Sekunden")
                       .arg(ConnectMilliseconds / 1000),
                   true);
        if (ready == SocketWait::Failed)
            refuse(QString::fromLocal8Bit(std::strerror(errno)), false);
        polling = pq().connectPoll(conn);
    }
    if (pq().status(conn) != CONNECTION_OK) {
        const ConnectRefusal refusal = readRefusal(QString::fromUtf8(pq().errorMessage(conn)));
        refuse(refusal.message, refusal.busy);
    }
    pq().setErrorVerbosity(conn, PQERRORS_DEFAULT);
    pq().setNoticeProcessor(conn, ignoreNotice, nullptr);
    auto engine = std::make_unique<PostgresEngine>(conn);
    // Without statistics (data just loaded with psql, never analysed) the
    // planner takes the stock list's articles for a handful and joins their
    // stock in a nested loop: quadratic, minutes for 20,000 articles. A hash
    // or merge join is linear whatever the estimates, and no query here needs
    // a nested loop.
    //
    // Compiling the stock query to machine code (JIT, on by default since
    // PostgreSQL 12) takes 0.1-0.2 s for a million articles, more than it
    // saves in a single pass over them.
    //
    // Behind a connection pooler these are the first statements: a pooler
    // whose server connections are all taken keeps them in its queue, and may
    // end the session when they waited too long. That is a full server too.
    try {
        engine->execScript(pq().serverVersion(conn) >= 110000 ? "SET enable_nestloop = off; SET jit = off"
                                                           : "SET enable_nestloop = off");
    } catch (const ServerError &error) {
        if (readRefusal(error.description()).busy)
            throw ServerBusy(QStringLiteral("Der Datenbankserver %1:%2 ist nicht erreichbar: %3")
                                 .arg(host)
                                 .arg(port)
                                 .arg(error.description()));
        throw;
    }
    return engine;
}

} // namespace tolvan
