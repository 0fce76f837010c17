#include "ObjectServer.h"

#include "ServerError.h"

namespace tolvan::objectserver {

bool isInstalled(const QString &)
{
    return false;
}

std::unique_ptr<FactoryBackend> createFactory(const QString &progIdOrClsid)
{
    throw ServerError(
        ServerError::UnknownClass,
        QStringLiteral("Das ActiveX-Objekt %1 gibt es nur unter Windows").arg(progIdOrClsid));
}

} // namespace tolvan::objectserver
