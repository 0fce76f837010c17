#pragma once

#include "ServerObject.h"

#include <QString>
#include <memory>

namespace tolvan {

// What stands behind a Factory: the component's own engines, or on Windows the
// object server's ActiveX factory.
class FactoryBackend {
public:
    virtual ~FactoryBackend() = default;

    // The connection string by reference: a server may write into it.
    virtual bool connect(QString &connectString) = 0;
    virtual void disconnect() = 0;
    virtual bool connected() = 0;
    virtual QString lastConnectError() const = 0;
    virtual bool lastConnectBusy() const { return false; }
    virtual bool lastConnectNeedsSetUp() const { return false; }

    virtual std::unique_ptr<ServerObject> openId(const QString &className, const QString &id) = 0;
    virtual std::unique_ptr<ServerObject> createObject(const QString &className) = 0;
    virtual std::unique_ptr<ResultSet> openClassQuery(const QString &className,
                                                      const QString &queryName) = 0;
};

} // namespace tolvan
