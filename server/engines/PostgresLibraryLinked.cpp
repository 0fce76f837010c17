// PostgreSQL's client library linked into the program.

#include "PostgresLibrary.h"

namespace tolvan::libpq {

std::atomic<const Functions *> detail::ready{nullptr};

const Functions &detail::load()
{
    static const Functions linked{
        &PQcancel,
        &PQclear,
        &PQconnectPoll,
        &PQconnectStartParams,
        &PQerrorMessage,
        &PQexec,
        &PQexecParams,
        &PQfinish,
        &PQfreeCancel,
        &PQgetCancel,
        &PQgetResult,
        &PQgetisnull,
        &PQgetlength,
        &PQgetvalue,
        &PQputCopyData,
        &PQputCopyEnd,
        &PQresultErrorMessage,
        &PQresultStatus,
        &PQsendQueryParams,
        &PQserverVersion,
        &PQsetErrorVerbosity,
        &PQsetNoticeProcessor,
        &PQsetSingleRowMode,
        &PQsocket,
        &PQstatus,
    };
    ready.store(&linked, std::memory_order_release);
    return linked;
}

} // namespace tolvan::libpq
