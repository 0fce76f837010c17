#pragma once

#include "ComDispatch.h"
#include "FactoryBackend.h"

namespace tolvan::com {

// The object server's ActiveX factory behind a Factory, late-bound by its
// fixed dispatch ids. Created from a ProgID, or a CLSID in braces; a class
// that is not registered or cannot be created raises ServerError. Joins the
// calling thread to a single-threaded apartment first, once.
class ComFactory final : public FactoryBackend {
public:
    explicit ComFactory(const QString &progIdOrClsid);

    bool connect(QString &connectString) override;
    void disconnect() override;
    bool connected() override;
    // The factory gives no reason why a connect failed.
    QString lastConnectError() const override { return QString(); }

    std::unique_ptr<ServerObject> openId(const QString &className, const QString &id) override;
    std::unique_ptr<ServerObject> createObject(const QString &className) override;
    std::unique_ptr<ResultSet> openClassQuery(const QString &className,
                                              const QString &queryName) override;

private:
    Dispatch m_factory;
};

// Whether a class of that ProgID is registered on this desktop.
bool isRegistered(const QString &progId);

} // namespace tolvan::com
