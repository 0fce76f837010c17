// PostgreSQL's client library loaded when it is first needed.

#include "PostgresLibrary.h"
#include "ServerError.h"

#include <QLibrary>

namespace tolvan::libpq {
namespace {

template <typename Function> void resolve(QLibrary &library, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    if (!function)
        throw ServerError(ServerError::DatabaseFailure,
                          QStringLiteral("PostgreSQLs Client-Bibliothek libpq ist nicht "
                                         "installiert (%1)")
                              .arg(library.errorString()));
}

Functions resolveAll()
{
    QLibrary library(QStringLiteral("pq"), 5);
    library.setLoadHints(QLibrary::PreventUnloadHint);
    Functions loaded{};
    resolve(library, "PQcancel", loaded.cancel);
    resolve(library, "PQclear", loaded.clear);
    resolve(library, "PQconnectPoll", loaded.connectPoll);
    resolve(library, "PQconnectStartParams", loaded.connectStartParams);
    resolve(library, "PQerrorMessage", loaded.errorMessage);
    resolve(library, "PQexec", loaded.exec);
    resolve(library, "PQexecParams", loaded.execParams);
    resolve(library, "PQfinish", loaded.finish);
    resolve(library, "PQfreeCancel", loaded.freeCancel);
    resolve(library, "PQgetCancel", loaded.getCancel);
    resolve(library, "PQgetResult", loaded.getResult);
    resolve(library, "PQgetisnull", loaded.getisnull);
    resolve(library, "PQgetlength", loaded.getlength);
    resolve(library, "PQgetvalue", loaded.getvalue);
    resolve(library, "PQputCopyData", loaded.putCopyData);
    resolve(library, "PQputCopyEnd", loaded.putCopyEnd);
    resolve(library, "PQresultErrorMessage", loaded.resultErrorMessage);
    resolve(library, "PQresultStatus", loaded.resultStatus);
    resolve(library, "PQsendQueryParams", loaded.sendQueryParams);
    resolve(library, "PQserverVersion", loaded.serverVersion);
    resolve(library, "PQsetErrorVerbosity", loaded.setErrorVerbosity);
    resolve(library, "PQsetNoticeProcessor", loaded.setNoticeProcessor);
    resolve(library, "PQsetSingleRowMode", loaded.setSingleRowMode);
    resolve(library, "PQsocket", loaded.socket);
    resolve(library, "PQstatus", loaded.status);
    return loaded;
}

} // namespace

std::atomic<const Functions *> detail::ready{nullptr};

const Functions &detail::load()
{
    static const Functions loaded = resolveAll();
    ready.store(&loaded, std::memory_order_release);
    return loaded;
}

} // namespace tolvan::libpq
