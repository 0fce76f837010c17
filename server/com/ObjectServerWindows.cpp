#include "ObjectServer.h"

#include "ComFactory.h"

namespace tolvan::objectserver {

bool isInstalled(const QString &progId)
{
    return com::isRegistered(progId);
}

std::unique_ptr<FactoryBackend> createFactory(const QString &progIdOrClsid)
{
    return std::make_unique<com::ComFactory>(progIdOrClsid);
}

} // namespace tolvan::objectserver
