#pragma once

#include "FactoryBackend.h"

#include <QString>
#include <memory>

namespace tolvan {

// The entry to the data server: connect with "cn_iptcp:ADDRESS[PORT]:NAMESPACE",
// then open, create and query server objects. Every call may raise ServerError.
class Factory {
public:
    // On the component's own engines (EngineFactory.h).
    Factory();
    explicit Factory(std::unique_ptr<FactoryBackend> backend);
    ~Factory();
    Factory(const Factory &) = delete;
    Factory &operator=(const Factory &) = delete;

    // True when the connection is up. A variable is passed by reference and
    // takes what the server writes into it.
    bool connect(QString &connectString);
    bool connect(const QString &connectString);
    void disconnect();
    bool connected() const;
    // Why the last connect failed, for diagnostics; empty when nobody says.
    QString lastConnectError() const;
    // Whether the server refused the last connect for now (no free connection
    // slot, starting up, no answer in time): trying again later may succeed.
    bool lastConnectBusy() const;
    // Whether the last connect found a database that is not set up (the file
    // missing, no or an older schema): trying again does not help, and
    // lastConnectError says how it is made.
    bool lastConnectNeedsSetUp() const;

    std::unique_ptr<ServerObject> openId(const QString &className, const QString &id);
    std::unique_ptr<ServerObject> createObject(const QString &className);
    std::unique_ptr<ResultSet> openClassQuery(const QString &className, const QString &queryName);

private:
    std::unique_ptr<FactoryBackend> m_backend;
};

} // namespace tolvan
