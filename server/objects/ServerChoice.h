#pragma once

#include "Factory.h"

namespace tolvan {

// Which server a connection attempt goes to, decided once per process. An
// empty server address is the embedded database everywhere; any other goes
// to the object server when that was chosen, else to PostgreSQL.
class ServerChoice {
public:
    enum class Kind { Engines, ObjectServer };

    ServerChoice(Kind kind, QString progIdOrClsid);

    // TOLVAN_SERVER "objectserver" or "postgres" decides when it is set (in
    // any case); otherwise the object server is chosen where its factory
    // class is registered.
    static Kind decide(const QString &override, bool objectServerInstalled);
    // The process's choice, made on first use; tests replace it.
    static ServerChoice &process();

    Kind kind() const { return m_kind; }
    // A new factory for one attempt at the connection string. Creating the
    // object server's factory may raise ServerError, which is the caller's.
    std::unique_ptr<Factory> newFactory(const QString &connectString) const;

private:
    Kind m_kind;
    QString m_progIdOrClsid;
};

} // namespace tolvan
