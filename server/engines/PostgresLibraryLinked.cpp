// PostgreSQL's client library linked into the program.

#include "PostgresLibrary.h"

namespace tolvan::libpq {

const Functions &functions()
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
    return linked;
}

} // namespace tolvan::libpq
