#include "Factory.h"

#include "EngineFactory.h"

namespace tolvan {

Factory::Factory() : m_backend(std::make_unique<EngineFactory>()) {}

Factory::Factory(std::unique_ptr<FactoryBackend> backend) : m_backend(std::move(backend)) {}

Factory::~Factory() = default;

bool Factory::connect(QString &connectString)
{
    return m_backend->connect(connectString);
}

bool Factory::connect(const QString &connectString)
{
    QString text = connectString;
    return m_backend->connect(text);
}

void Factory::disconnect()
{
    m_backend->disconnect();
}

bool Factory::connected() const
{
    return m_backend->connected();
}

bool Factory::lastConnectBusy() const
{
    return m_backend->lastConnectBusy();
}

bool Factory::lastConnectNeedsSetUp() const
{
    return m_backend->lastConnectNeedsSetUp();
}

QString Factory::lastConnectError() const
{
    return m_backend->lastConnectError();
}

std::unique_ptr<ServerObject> Factory::openId(const QString &className, const QString &id)
{
    return m_backend->openId(className, id);
}

std::unique_ptr<ServerObject> Factory::createObject(const QString &className)
{
    return m_backend->createObject(className);
}

std::unique_ptr<ResultSet> Factory::openClassQuery(const QString &className,
                                                   const QString &queryName)
{
    return m_backend->openClassQuery(className, queryName);
}

} // namespace tolvan
