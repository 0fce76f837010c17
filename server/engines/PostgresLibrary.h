#pragma once

#include <atomic>
#include <libpq-fe.h>

namespace tolvan::libpq {

// The functions of PostgreSQL's client library that the engine calls. On Linux
// the library (libpq.so.5, with its Kerberos, LDAP and TLS libraries) is
// loaded at the first connection to a PostgreSQL server, so that a program
// on the embedded database never loads it; on Windows it is linked in.
struct Functions {
    decltype(&PQcancel) cancel;
    decltype(&PQclear) clear;
    decltype(&PQconnectPoll) connectPoll;
    decltype(&PQconnectStartParams) connectStartParams;
    decltype(&PQerrorMessage) errorMessage;
    decltype(&PQexec) exec;
    decltype(&PQexecParams) execParams;
    decltype(&PQfinish) finish;
    decltype(&PQfreeCancel) freeCancel;
    decltype(&PQgetCancel) getCancel;
    decltype(&PQgetResult) getResult;
    decltype(&PQgetisnull) getisnull;
    decltype(&PQgetlength) getlength;
    decltype(&PQgetvalue) getvalue;
    decltype(&PQputCopyData) putCopyData;
    decltype(&PQputCopyEnd) putCopyEnd;
    decltype(&PQresultErrorMessage) resultErrorMessage;
    decltype(&PQresultStatus) resultStatus;
    decltype(&PQsendQueryParams) sendQueryParams;
    decltype(&PQserverVersion) serverVersion;
    decltype(&PQsetErrorVerbosity) setErrorVerbosity;
    decltype(&PQsetNoticeProcessor) setNoticeProcessor;
    decltype(&PQsetSingleRowMode) setSingleRowMode;
    decltype(&PQsocket) socket;
    decltype(&PQstatus) status;
};

namespace detail {
extern std::atomic<const Functions *> ready;
const Functions &load();
} // namespace detail

// The loaded functions; raises ServerError when the library is missing.
inline const Functions &functions()
{
    const Functions *loaded = detail::ready.load(std::memory_order_acquire);
    return loaded ? *loaded : detail::load();
}

} // namespace tolvan::libpq
