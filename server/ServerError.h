#pragma once

#include "RuntimeError.h"

namespace tolvan {

// The one error every server call raises: a 32-bit number and a description
// in German, as the user sees it in the error report.
class ServerError : public RuntimeError {
public:
    enum Number : qint32 {
        NotConnected = 1001,
        UnknownClass = 1002,
        UnknownProperty = 1003,
        UnknownMethod = 1004,
        UnknownQuery = 1005,
        ObjectNotFound = 1006,
        ObjectClosed = 1007,
        InvalidArgument = 1008,
        DatabaseFailure = 1009,
        MError = 1010,
        InvalidOperation = 1011,
    };

    using RuntimeError::RuntimeError;
};

// A connect the server refused for now: no free connection slot, the server
// starting up or shutting down, no answer within the connect time under load.
// Trying again later may succeed.
class ServerBusy : public ServerError {
public:
    explicit ServerBusy(const QString &description) : ServerError(DatabaseFailure, description) {}
};

// A database that cannot serve until it is set up: the embedded database file
// missing, a database without this program's schema or with an older one.
// Trying again does not help; the description says what is missing and how it
// is made.
class DatabaseNotSetUp : public ServerError {
public:
    explicit DatabaseNotSetUp(const QString &description)
        : ServerError(DatabaseFailure, description)
    {
    }
};

// Whether the error says the server or the connection to it failed (the
// connection lost or closed, the database failing), not that the request was
// wrong: the component's own numbers, and the system's for an object server
// that went away.
inline bool isServerTrouble(qint32 number)
{
    constexpr qint32 Disconnected = qint32(0x80010108u);      // RPC_E_DISCONNECTED
    constexpr qint32 ServerUnavailable = qint32(0x800706BAu); // RPC_S_SERVER_UNAVAILABLE
    constexpr qint32 CallFailed = qint32(0x800706BEu);        // RPC_S_CALL_FAILED
    return number == ServerError::NotConnected || number == ServerError::ObjectClosed ||
           number == ServerError::DatabaseFailure || number == Disconnected ||
           number == ServerUnavailable || number == CallFailed;
}

// The number a server gives a method or property it does not have: the
// component's own, or the system's for a name an ActiveX object does not know.
inline bool isUnknownMember(qint32 number)
{
    constexpr qint32 UnknownName = qint32(0x80020006u); // DISP_E_UNKNOWNNAME
    return number == ServerError::UnknownMethod || number == ServerError::UnknownProperty ||
           number == UnknownName;
}

} // namespace tolvan
