#include "ComDouble.h"

#include "ComVariant.h"
#include "Factory.h"
#include "RuntimeError.h"
#include "ServerError.h"

#include <memory>
#include <utility>

using tolvan::Arg;
using tolvan::com::fromVariant;
using tolvan::com::toBstr;
using tolvan::com::toVariant;

namespace comdouble {

State &state()
{
    static State instance;
    return instance;
}

namespace {

const CLSID DoubleClass = {
    0x5d2e7c41, 0x93a0, 0x4b8e, {0x8f, 0x61, 0x0c, 0x27, 0x4e, 0x19, 0xa3, 0xd5}};

// ---------------------------------------------------------------- arguments

QVariant argument(const DISPPARAMS &params, UINT i)
{
    return fromVariant(params.rgvarg[params.cArgs - 1 - i]);
}

VARIANT &slot(DISPPARAMS &params, UINT i)
{
    return params.rgvarg[params.cArgs - 1 - i];
}

// Writes what the component changed into an argument passed by reference.
void writeBack(VARIANT &slot, const QVariant &value)
{
    if (slot.vt == (VT_BYREF | VT_BSTR)) {
        SysFreeString(*slot.pbstrVal);
        *slot.pbstrVal = toBstr(value.toString());
    } else if (slot.vt == (VT_BYREF | VT_VARIANT)) {
        VariantClear(slot.pvarVal);
        toVariant(value, slot.pvarVal);
    }
}

void answer(VARIANT *result, const QVariant &value)
{
    if (result)
        toVariant(value, result);
}

void answerObject(VARIANT *result, IDispatch *object)
{
    if (!result) {
        object->Release();
        return;
    }
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
}

// ---------------------------------------------------------------- errors

tolvan::RuntimeError deferred(0, QString());

HRESULT STDMETHODCALLTYPE fillIn(EXCEPINFO *exception)
{
    exception->scode = deferred.number();
    exception->bstrDescription = toBstr(deferred.description());
    return S_OK;
}

HRESULT report(const tolvan::RuntimeError &error, EXCEPINFO *exception)
{
    if (!exception)
        return DISP_E_EXCEPTION;
    *exception = EXCEPINFO{};
    exception->bstrSource = toBstr(QStringLiteral("Objektserver-Attrappe"));
    switch (state().faults.report) {
    case Report::Scode:
        exception->scode = error.number();
        break;
    case Report::WCode:
        exception->wCode = static_cast<WORD>(error.number());
        break;
    case Report::FacilityScode:
        exception->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, error.number());
        break;
    case Report::Deferred:
        deferred = error;
        exception->pfnDeferredFillIn = fillIn;
        return DISP_E_EXCEPTION;
    case Report::NoText:
        exception->scode = error.number();
        return DISP_E_EXCEPTION;
    }
    exception->bstrDescription = toBstr(error.description());
    return DISP_E_EXCEPTION;
}

// ---------------------------------------------------------------- counted objects

class Counted : public IDispatch {
public:
    Counted()
    {
        ++state().objects;
        ++state().references;
    }
    virtual ~Counted() { --state().objects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override
    {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        ++state().references;
        return ++m_references;
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        --state().references;
        const ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS *params,
                                     VARIANT *result, EXCEPINFO *exception, UINT *) override
    {
        try {
            return invoke(id, kind, *params, result);
        } catch (const tolvan::RuntimeError &error) {
            return report(error, exception);
        }
    }

protected:
    virtual HRESULT invoke(DISPID id, WORD kind, DISPPARAMS &params, VARIANT *result) = 0;

private:
    ULONG m_references = 1;
};

// ---------------------------------------------------------------- server objects

// Every member name ever asked for, by dispatch id (from 100 on).
QStringList &memberNames()
{
    static QStringList names;
    return names;
}

class DoubleObject final : public Counted {
public:
    explicit DoubleObject(std::unique_ptr<tolvan::ServerObject> object)
        : m_object(std::move(object))
    {
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID,
                                            DISPID *ids) override
    {
        if (count != 1)
            return DISP_E_UNKNOWNNAME;
        // The component tells an unknown member only when it is called.
        const QString name = QString::fromWCharArray(names[0]);
        qsizetype index = memberNames().indexOf(name);
        if (index < 0) {
            memberNames() << name;
            index = memberNames().size() - 1;
        }
        ids[0] = static_cast<DISPID>(100 + index);
        return S_OK;
    }

protected:
    HRESULT invoke(DISPID id, WORD kind, DISPPARAMS &params, VARIANT *result) override
    {
        const qsizetype index = id - 100;
        if (index < 0 || index >= memberNames().size())
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(state().faults.failure))
            return state().faults.failure;
        const QString name = memberNames()[index];
        // A property read alone; a value-returning call (both flags) is a method.
        if (kind == DISPATCH_PROPERTYGET) {
            if (params.cArgs != 0)
                return DISP_E_BADPARAMCOUNT;
            answer(result, m_object->property(name));
            return S_OK;
        }
        if (!(kind & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        QVariantList values;
        for (UINT i = 0; i < params.cArgs; ++i)
            values << argument(params, i);
        state().calls << name + u'(' + joined(values) + u')';
        const QVariant value = call(name, values);
        for (UINT i = 0; i < params.cArgs; ++i)
            writeBack(slot(params, i), values[i]);
        answer(result, value);
        return S_OK;
    }

private:
    static QString joined(const QVariantList &values)
    {
        QStringList texts;
        for (const QVariant &value : values)
            texts << value.toString();
        return texts.join(u',');
    }

    QVariant call(const QString &name, QVariantList &v)
    {
        switch (v.size()) {
        case 0:
            return m_object->call(name);
        case 1:
            return m_object->call(name, {Arg::ref(v[0])});
        case 2:
            return m_object->call(name, {Arg::ref(v[0]), Arg::ref(v[1])});
        case 3:
            return m_object->call(name, {Arg::ref(v[0]), Arg::ref(v[1]), Arg::ref(v[2])});
        }
        throw tolvan::RuntimeError(DISP_E_BADPARAMCOUNT, QStringLiteral("zu viele Argumente"));
    }

    std::unique_ptr<tolvan::ServerObject> m_object;
};

class DoubleResultSet final : public Counted {
public:
    explicit DoubleResultSet(std::unique_ptr<tolvan::ResultSet> rows) : m_rows(std::move(rows)) {}

protected:
    HRESULT invoke(DISPID id, WORD kind, DISPPARAMS &params, VARIANT *result) override
    {
        if (!(kind & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        switch (id) {
        case 2: { // execute: its one argument by reference
            if (params.cArgs != 1 || slot(params, 0).vt != (VT_BYREF | VT_VARIANT))
                return DISP_E_TYPEMISMATCH;
            QVariant key = argument(params, 0);
            state().calls << QStringLiteral("Execute");
            m_rows->execute(key);
            writeBack(slot(params, 0), key);
            return S_OK;
        }
        case 3:
            answer(result, m_rows->next());
            return S_OK;
        case 5:
            if (params.cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            answer(result, m_rows->data(argument(params, 0).toInt()));
            return S_OK;
        case 6:
            state().calls << QStringLiteral("Close");
            m_rows->close();
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::unique_ptr<tolvan::ResultSet> m_rows;
};

// ---------------------------------------------------------------- the factory

class DoubleFactory final : public Counted {
protected:
    HRESULT invoke(DISPID id, WORD kind, DISPPARAMS &params, VARIANT *result) override
    {
        if (id == 10) { // connected state: a property only
            if (!(kind & DISPATCH_PROPERTYGET))
                return DISP_E_MEMBERNOTFOUND;
            if (state().faults.failingConnectedReads > 0) {
                --state().faults.failingConnectedReads;
                return RPC_E_DISCONNECTED;
            }
            answer(result, m_factory.connected());
            return S_OK;
        }
        if (!(kind & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        switch (id) {
        case 1: // connect: the connection string by reference
            if (params.cArgs != 1 || slot(params, 0).vt != (VT_BYREF | VT_BSTR))
                return DISP_E_TYPEMISMATCH;
            state().calls << QStringLiteral("Connect(%1)").arg(argument(params, 0).toString());
            answer(result, !state().faults.connectRefused &&
                               m_factory.connect(embedded(argument(params, 0).toString())));
            if (!state().faults.connectStringWritten.isEmpty())
                writeBack(slot(params, 0), state().faults.connectStringWritten);
            return S_OK;
        case 2:
            state().calls << QStringLiteral("Disconnect");
            m_factory.disconnect();
            return S_OK;
        case 7:
            if (params.cArgs != 2)
                return DISP_E_BADPARAMCOUNT;
            answerObject(result,
                         new DoubleObject(m_factory.openId(argument(params, 0).toString(),
                                                           argument(params, 1).toString())));
            return S_OK;
        case 8:
            if (params.cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            answerObject(result,
                         new DoubleObject(m_factory.createObject(argument(params, 0).toString())));
            return S_OK;
        case 11:
            if (params.cArgs != 2)
                return DISP_E_BADPARAMCOUNT;
            state().calls << QStringLiteral("OpenQuery(%1,%2)")
                                 .arg(argument(params, 0).toString(),
                                      argument(params, 1).toString());
            // The object server knows the list's query only, not this
            // program's own "Exportliste".
            if (argument(params, 1).toString() != u"Liste")
                throw tolvan::ServerError(tolvan::ServerError::UnknownQuery,
                                          QStringLiteral("Abfrage %1 unbekannt")
                                              .arg(argument(params, 1).toString()));
            answerObject(result,
                         new DoubleResultSet(m_factory.openClassQuery(
                             argument(params, 0).toString(), argument(params, 1).toString())));
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    // The double serves any server address from the embedded database.
    static QString embedded(QString connectString)
    {
        const qsizetype open = connectString.indexOf(u'[');
        if (connectString.startsWith(u"cn_iptcp:") && open > 0)
            connectString.remove(9, open - 9);
        return connectString;
    }

    tolvan::Factory m_factory;
};

class ClassObject final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override
    {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory *>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // (a static object: COM's references to it are not counted)
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID riid, void **out) override
    {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (state().faults.creationFails)
            return CO_E_SERVER_EXEC_FAILURE;
        DoubleFactory *factory = new DoubleFactory;
        const HRESULT result = factory->QueryInterface(riid, out);
        factory->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

ClassObject classObject;

} // namespace

// ---------------------------------------------------------------- registration

Registration::Registration()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(CoRegisterClassObject(DoubleClass, &classObject,
                                     CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                     &m_cookie)))
        m_cookie = 0;
}

Registration::~Registration()
{
    if (m_progIdWritten)
        RegDeleteTreeW(HKEY_CLASSES_ROOT, ProgId);
    if (m_cookie)
        CoRevokeClassObject(m_cookie);
}

bool Registration::registerProgId()
{
    HKEY key = nullptr;
    const std::wstring path = std::wstring(ProgId) + L"\\CLSID";
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    m_progIdWritten = true;
    const std::wstring text = clsid().toStdWString();
    const LONG written =
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return written == ERROR_SUCCESS;
}

QString Registration::clsid()
{
    LPOLESTR text = nullptr;
    StringFromCLSID(DoubleClass, &text);
    const QString result = QString::fromWCharArray(text);
    CoTaskMemFree(text);
    return result;
}

} // namespace comdouble
