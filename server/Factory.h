#pragma once

#include "ServerObject.h"

#include <QString>
#include <memory>

namespace tolvan {

struct Connection;

// The entry to the data server: connect with "cn_iptcp:ADDRESS[PORT]:NAMESPACE",
// then open, create and query server objects.
class Factory {
public:
    Factory();
    ~Factory();
    Factory(const Factory &) = delete;
    Factory &operator=(const Factory &) = delete;

    // Empty ADDRESS: the embedded database file; any other: a PostgreSQL server,
    // database NAMESPACE in lower case. False on every failure; nothing is
    // created on disk. An open connection is closed first.
    bool connect(const QString &connectString);
    void disconnect();
    bool connected() const;
    // Why the last connect failed, for diagnostics.
    const QString &lastConnectError() const { return m_lastConnectError; }

    std::unique_ptr<ServerObject> openId(const QString &className, const QString &id);
    std::unique_ptr<ServerObject> createObject(const QString &className);
    std::unique_ptr<ResultSet> openClassQuery(const QString &className, const QString &queryName);

private:
    std::shared_ptr<Connection> openConnection() const;

    std::shared_ptr<Connection> m_connection;
    QString m_lastConnectError;
};

} // namespace tolvan
