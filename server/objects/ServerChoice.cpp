#include "ServerChoice.h"

#include "ConnectString.h"
#include "ObjectServer.h"

namespace tolvan {

ServerChoice::ServerChoice(Kind kind, QString progIdOrClsid)
    : m_kind(kind), m_progIdOrClsid(std::move(progIdOrClsid))
{
}

ServerChoice::Kind ServerChoice::decide(const QString &override, bool objectServerInstalled)
{
    if (override.compare(u"objectserver", Qt::CaseInsensitive) == 0)
        return Kind::ObjectServer;
    if (override.compare(u"postgres", Qt::CaseInsensitive) == 0)
        return Kind::Engines;
    return objectServerInstalled ? Kind::ObjectServer : Kind::Engines;
}

ServerChoice &ServerChoice::process()
{
    static ServerChoice choice = [] {
        const QString progId = QString::fromUtf16(objectserver::ProgId);
        return ServerChoice(
            decide(qEnvironmentVariable("TOLVAN_SERVER"), objectserver::isInstalled(progId)),
            progId);
    }();
    return choice;
}

std::unique_ptr<Factory> ServerChoice::newFactory(const QString &connectString) const
{
    const std::optional<ConnectTarget> target = parseConnectString(connectString);
    if (m_kind == Kind::ObjectServer && !(target && target->address.isEmpty()))
        return std::make_unique<Factory>(objectserver::createFactory(m_progIdOrClsid));
    return std::make_unique<Factory>();
}

} // namespace tolvan
