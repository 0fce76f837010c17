#pragma once

#include "FactoryBackend.h"

namespace tolvan {

struct Connection;

// The component's own engines behind the factory. Empty ADDRESS: the embedded
// database file; any other: a PostgreSQL server, database NAMESPACE in lower
// case. A connect is false on every failure; nothing is created on disk. An
// open connection is closed first, and when the factory goes.
class EngineFactory final : public FactoryBackend {
public:
    EngineFactory() = default;
    ~EngineFactory() override;

    bool connect(QString &connectString) override;
    void disconnect() override;
    bool connected() override;
    QString lastConnectError() const override { return m_lastConnectError; }
    bool lastConnectBusy() const override { return m_lastConnectBusy; }
    bool lastConnectNeedsSetUp() const override { return m_lastConnectNeedsSetUp; }

    std::unique_ptr<ServerObject> openId(const QString &className, const QString &id) override;
    std::unique_ptr<ServerObject> createObject(const QString &className) override;
    std::unique_ptr<ResultSet> openClassQuery(const QString &className,
                                              const QString &queryName) override;

private:
    std::shared_ptr<Connection> openConnection();

    std::shared_ptr<Connection> m_connection;
    QString m_lastConnectError;
    bool m_lastConnectBusy = false;
    bool m_lastConnectNeedsSetUp = false;
};

} // namespace tolvan
