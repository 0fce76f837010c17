#include "ComFactory.h"

#include "ComError.h"
#include "ComObjects.h"

#include <objbase.h>

namespace tolvan::com {
namespace {

enum FactoryMember : DISPID {
    Connect = 1,
    Disconnect = 2,
    OpenId = 7,
    Create = 8,
    Connected = 10,
    OpenQuery = 11,
};

// The program's calls all come from the user-interface thread, which the
// windowing system may already have joined to an apartment; that one is kept.
// The apartment lives as long as the process: factories in the session
// outlive every place that could leave it.
void joinApartment()
{
    static const HRESULT joined = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(joined) && joined != RPC_E_CHANGED_MODE)
        raise(joined);
}

CLSID classOf(const QString &progIdOrClsid)
{
    const std::wstring name = progIdOrClsid.toStdWString();
    CLSID id;
    check(progIdOrClsid.startsWith(u'{') ? CLSIDFromString(name.c_str(), &id)
                                         : CLSIDFromProgID(name.c_str(), &id));
    return id;
}

IDispatch *created(const QString &progIdOrClsid)
{
    joinApartment();
    IDispatch *object = nullptr;
    check(CoCreateInstance(classOf(progIdOrClsid), nullptr, CLSCTX_ALL, IID_IDispatch,
                           reinterpret_cast<void **>(&object)));
    return object;
}

} // namespace

ComFactory::ComFactory(const QString &progIdOrClsid) : m_factory(created(progIdOrClsid)) {}

bool ComFactory::connect(QString &connectString)
{
    Variant result;
    m_factory.invoke(Connect, ValueCall, {Arg::ref(connectString)}, result);
    return result.toQVariant().toBool();
}

void ComFactory::disconnect()
{
    Variant result;
    m_factory.invoke(Disconnect, DISPATCH_METHOD, {}, result);
}

bool ComFactory::connected()
{
    Variant result;
    m_factory.invoke(Connected, DISPATCH_PROPERTYGET, {}, result);
    return result.toQVariant().toBool();
}

std::unique_ptr<ServerObject> ComFactory::openId(const QString &className, const QString &id)
{
    Variant result;
    m_factory.invoke(OpenId, ValueCall, {className, id}, result);
    return std::make_unique<ComServerObject>(className, takeObject(result));
}

std::unique_ptr<ServerObject> ComFactory::createObject(const QString &className)
{
    Variant result;
    m_factory.invoke(Create, ValueCall, {className}, result);
    return std::make_unique<ComServerObject>(className, takeObject(result));
}

std::unique_ptr<ResultSet> ComFactory::openClassQuery(const QString &className,
                                                      const QString &queryName)
{
    Variant result;
    m_factory.invoke(OpenQuery, ValueCall, {className, queryName}, result);
    return std::make_unique<ComResultSet>(takeObject(result));
}

bool isRegistered(const QString &progId)
{
    joinApartment();
    CLSID id;
    return SUCCEEDED(CLSIDFromProgID(progId.toStdWString().c_str(), &id));
}

} // namespace tolvan::com
