#include "EngineFactory.h"

#include "ConnectString.h"
#include "Connection.h"
#include "Schema.h"
#include "ServerClasses.h"

namespace tolvan {

EngineFactory::~EngineFactory()
{
    disconnect();
}

bool EngineFactory::connect(QString &connectString)
{
    disconnect();
    m_lastConnectBusy = false;
    m_lastConnectNeedsSetUp = false;
    const std::optional<ConnectTarget> target = parseConnectString(connectString);
    if (!target) {
        m_lastConnectError = QStringLiteral("Ungültige Verbindungsangabe: %1").arg(connectString);
        return false;
    }
    try {
        std::unique_ptr<Engine> engine =
            target->address.isEmpty()
                ? openSqlite(embeddedDatabasePath(), false)
                : openPostgres(target->address, target->port, target->nameSpace.toLower());
        const QString problem = schema::problem(*engine);
        if (!problem.isEmpty()) {
            m_lastConnectError = problem;
            m_lastConnectNeedsSetUp = true;
            return false;
        }
        m_connection = std::make_shared<Connection>(std::move(engine));
        m_lastConnectError.clear();
        return true;
    } catch (const ServerError &error) {
        m_lastConnectError = error.description();
        m_lastConnectBusy = dynamic_cast<const ServerBusy *>(&error) != nullptr;
        m_lastConnectNeedsSetUp = dynamic_cast<const DatabaseNotSetUp *>(&error) != nullptr;
        return false;
    }
}

void EngineFactory::disconnect()
{
    // Objects still held by a caller share the connection and see it closed.
    if (m_connection)
        m_connection->close();
    m_connection.reset();
}

bool EngineFactory::connected()
{
    return m_connection && m_connection->isOpen();
}

std::shared_ptr<Connection> EngineFactory::openConnection()
{
    if (!connected())
        throw ServerError(ServerError::NotConnected,
                          QStringLiteral("Keine Verbindung zum Datenbankserver"));
    return m_connection;
}

std::unique_ptr<ServerObject> EngineFactory::openId(const QString &className, const QString &id)
{
    return openStoredObject(openConnection(), className, id);
}

std::unique_ptr<ServerObject> EngineFactory::createObject(const QString &className)
{
    return createServerObject(openConnection(), className);
}

std::unique_ptr<ResultSet> EngineFactory::openClassQuery(const QString &className,
                                                         const QString &queryName)
{
    return openServerQuery(openConnection(), className, queryName);
}

} // namespace tolvan
