#include "ComDouble.h"

#include "Engine.h"
#include "Factory.h"
#include "RuntimeError.h"
#include "ServerError.h"

#include <QDir>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

using tolvan::Arg;

namespace comdouble {

const char *name(Face face)
{
    constexpr const char *names[] = {"late-bound", "typed", "local server, late-bound",
                                     "local server, typed"};
    return names[int(face)];
}

const char *name(ListKey key)
{
    constexpr const char *names[] = {"the component's key", "VT_I2", "VT_DATE",
                                     "VT_ARRAY|VT_VARIANT", "VT_DISPATCH"};
    return names[int(key)];
}

namespace {

// The process whose Registration the state belongs to: this one, or in the
// local server the test's.
DWORD &client()
{
    static DWORD id = GetCurrentProcessId();
    return id;
}

std::wstring sharedName(const wchar_t *what)
{
    return L"TolvanComDouble-" + std::to_wstring(client()) + what;
}

} // namespace

State &state()
{
    static State *shared = [] {
        const std::wstring name = sharedName(L"");
        HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(State), name.c_str());
        const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
        void *memory = mapping ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr;
        if (!memory)
            std::abort();
        // (the mapping stays as long as the process)
        return created ? new (memory) State : static_cast<State *>(memory);
    }();
    return *shared;
}

QStringList State::calls() const
{
    return m_calls.toString().split(u'\n', Qt::SkipEmptyParts);
}

void State::record(const QString &call)
{
    const QString calls = m_calls.toString() + call + u'\n';
    if (calls.size() < int(std::size(m_calls.text)))
        m_calls = calls;
}

namespace {

// By face.
const CLSID Classes[] = {
    {0x5d2e7c41, 0x93a0, 0x4b8e, {0x8f, 0x61, 0x0c, 0x27, 0x4e, 0x19, 0xa3, 0xd5}},
    {0x5d2e7c42, 0x93a0, 0x4b8e, {0x8f, 0x61, 0x0c, 0x27, 0x4e, 0x19, 0xa3, 0xd5}},
    {0x5d2e7c43, 0x93a0, 0x4b8e, {0x8f, 0x61, 0x0c, 0x27, 0x4e, 0x19, 0xa3, 0xd5}},
    {0x5d2e7c44, 0x93a0, 0x4b8e, {0x8f, 0x61, 0x0c, 0x27, 0x4e, 0x19, 0xa3, 0xd5}},
};

bool isTyped(Face face)
{
    return face == Face::Typed || face == Face::LocalTyped;
}

// ---------------------------------------------------------------- values
// The double's own conversions, not the adapter's: a fault in those would
// otherwise pass on both sides unseen.

BSTR bstr(const QString &text)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.utf16()), UINT(text.size()));
}

QString text(BSTR value)
{
    return QString::fromWCharArray(value, int(SysStringLen(value)));
}

QStringList texts(SAFEARRAY *array)
{
    LONG low = 0, high = -1;
    SafeArrayGetLBound(array, 1, &low);
    SafeArrayGetUBound(array, 1, &high);
    QStringList result;
    for (LONG i = low; i <= high; ++i) {
        BSTR element = nullptr;
        SafeArrayGetElement(array, &i, &element);
        result << text(element);
        SysFreeString(element);
    }
    return result;
}

// An argument as the component takes it, what a reference refers to.
QVariant valueOf(const VARIANT &value)
{
    switch (value.vt) {
    case VT_EMPTY:
        return QVariant();
    case VT_BSTR:
        return text(value.bstrVal);
    case VT_BYREF | VT_BSTR:
        return text(*value.pbstrVal);
    case VT_BYREF | VT_VARIANT:
        return valueOf(*value.pvarVal);
    case VT_I2:
        return int(value.iVal);
    case VT_I4:
        return int(value.lVal);
    case VT_BYREF | VT_I4:
        return int(*value.plVal);
    case VT_BOOL:
        return value.boolVal != VARIANT_FALSE;
    case VT_ARRAY | VT_BSTR:
        return texts(value.parray);
    }
    throw tolvan::RuntimeError(
        DISP_E_TYPEMISMATCH,
        QStringLiteral("Die Attrappe liest keinen Wert vom Typ %1").arg(value.vt, 0, 16));
}

void write(VARIANT *out, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        out->vt = VT_EMPTY;
        break;
    case QMetaType::Bool:
        out->vt = VT_BOOL;
        out->boolVal = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case QMetaType::Int:
        out->vt = VT_I4;
        out->lVal = value.toInt();
        break;
    case QMetaType::QStringList: {
        const QStringList list = value.toStringList();
        out->vt = VT_ARRAY | VT_BSTR;
        out->parray = SafeArrayCreateVector(VT_BSTR, 0, ULONG(list.size()));
        for (LONG i = 0; i < list.size(); ++i) {
            BSTR element = bstr(list[i]);
            SafeArrayPutElement(out->parray, &i, element);
            SysFreeString(element);
        }
        break;
    }
    default:
        out->vt = VT_BSTR;
        out->bstrVal = bstr(value.toString());
        break;
    }
}

QVariant argument(const DISPPARAMS &params, UINT i)
{
    return valueOf(params.rgvarg[params.cArgs - 1 - i]);
}

VARIANT &slot(DISPPARAMS &params, UINT i)
{
    return params.rgvarg[params.cArgs - 1 - i];
}

// Writes what the component changed into an argument passed by reference.
void writeBack(VARIANT &slot, const QVariant &value)
{
    switch (slot.vt) {
    case VT_BYREF | VT_BSTR:
        SysFreeString(*slot.pbstrVal);
        *slot.pbstrVal = bstr(value.toString());
        break;
    case VT_BYREF | VT_VARIANT:
        VariantClear(slot.pvarVal);
        write(slot.pvarVal, value);
        break;
    case VT_BYREF | VT_I4:
        *slot.plVal = value.toInt();
        break;
    }
}

void answer(VARIANT *result, const QVariant &value)
{
    if (result)
        write(result, value);
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
    exception->bstrDescription = bstr(deferred.description());
    return S_OK;
}

HRESULT report(const tolvan::RuntimeError &error, EXCEPINFO *exception)
{
    if (!exception)
        return DISP_E_EXCEPTION;
    *exception = EXCEPINFO{};
    exception->bstrSource = bstr(QStringLiteral("Objektserver-Attrappe"));
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
    exception->bstrDescription = bstr(error.description());
    return DISP_E_EXCEPTION;
}

// ---------------------------------------------------------------- typed faces

// A member as a strict typed server declares it: each parameter's VARTYPE,
// VT_BYREF for a reference.
struct Declared {
    const wchar_t *name;
    DISPID id;
    WORD kind;
    std::vector<VARTYPE> parameters;
};

constexpr UINT FirstSlot = 3; // after IUnknown's three
constexpr std::size_t MostMembers = 24;

// One interface description made by CreateDispTypeInfo, member i in vtable
// slot FirstSlot + i. The members return nothing there: wine 8's dispatcher
// hands a VARIANT result back as VT_VARIANT and crashes on a member that
// returns an HRESULT, so the face answers results and exceptions itself.
class Interface {
public:
    explicit Interface(std::vector<Declared> members) : m_members(std::move(members))
    {
        m_parameters.reserve(m_members.size());
        for (std::size_t i = 0; i < m_members.size(); ++i) {
            const Declared &member = m_members[i];
            std::vector<PARAMDATA> &parameters = m_parameters.emplace_back();
            for (VARTYPE type : member.parameters)
                parameters.push_back({const_cast<OLECHAR *>(L"Wert"), type});
            m_methods.push_back({const_cast<OLECHAR *>(member.name), parameters.data(), member.id,
                                 UINT(FirstSlot + i), CC_STDCALL, UINT(parameters.size()),
                                 member.kind, VT_EMPTY});
        }
        INTERFACEDATA data{m_methods.data(), UINT(m_methods.size())};
        // A class description, which names the interface as its first.
        ITypeInfo *described = nullptr;
        HREFTYPE reference = 0;
        if (m_members.size() > MostMembers ||
            FAILED(CreateDispTypeInfo(&data, LOCALE_SYSTEM_DEFAULT, &described)) ||
            FAILED(described->GetRefTypeOfImplType(0, &reference)) ||
            FAILED(described->GetRefTypeInfo(reference, &m_type)))
            std::abort();
        described->Release();
    }

    ITypeInfo *type() const { return m_type; }
    const Declared &at(std::size_t index) const { return m_members[index]; }
    const Declared *member(DISPID id) const
    {
        for (const Declared &member : m_members) {
            if (member.id == id)
                return &member;
        }
        return nullptr;
    }

private:
    std::vector<Declared> m_members;
    std::vector<std::vector<PARAMDATA>> m_parameters;
    std::vector<METHODDATA> m_methods;
    ITypeInfo *m_type = nullptr; // (for the process's lifetime)
};

const Interface &factoryInterface()
{
    static const Interface description({
        {L"Connect", 1, DISPATCH_METHOD, {VT_BYREF | VT_BSTR}},
        {L"Disconnect", 2, DISPATCH_METHOD, {}},
        {L"OpenId", 7, DISPATCH_METHOD, {VT_BSTR, VT_BSTR}},
        {L"CreateObject", 8, DISPATCH_METHOD, {VT_BSTR}},
        {L"Connected", 10, DISPATCH_PROPERTYGET, {}},
        {L"OpenClassQuery", 11, DISPATCH_METHOD, {VT_BSTR, VT_BSTR}},
    });
    return description;
}

const Interface &resultSetInterface()
{
    static const Interface description({
        {L"Execute", 2, DISPATCH_METHOD, {VT_BYREF | VT_VARIANT}},
        {L"Next", 3, DISPATCH_METHOD, {}},
        {L"Data", 5, DISPATCH_METHOD, {VT_I2}},
        {L"Close", 6, DISPATCH_METHOD, {}},
    });
    return description;
}

// The members of every server class in one interface: the component tells a
// member of another class when it is called.
const Interface &objectInterface()
{
    static const Interface description([] {
        std::vector<Declared> members;
        for (const wchar_t *property : {L"Passwort", L"AKTIV", L"PNAME", L"PNR", L"AbtNr", L"DW",
                                        L"BERGRP", L"abtbez", L"HAbtNr", L"fax", L"EMAIL"})
            members.push_back({property, 0, DISPATCH_PROPERTYGET, {}});
        for (const wchar_t *conversion :
             {L"PNAMELogicalToODBC", L"ABTBEZLogicalToODBC", L"EMailLogicalToODBC"})
            members.push_back({conversion, 0, DISPATCH_METHOD, {VT_BYREF | VT_VARIANT}});
        members.push_back({L"Xecute", 0, DISPATCH_METHOD, {VT_BSTR}});
        members.push_back({L"LName", 0, DISPATCH_METHOD, {VT_BYREF | VT_BSTR, VT_I4}});
        members.push_back({L"HatFiliale", 0, DISPATCH_METHOD, {VT_BSTR, VT_BYREF | VT_I4}});
        members.push_back(
            {L"liste", 0, DISPATCH_METHOD, {VT_BYREF | VT_BSTR, VT_BYREF | VT_VARIANT, VT_I4}});
        members.push_back({L"sys_Close", 0, DISPATCH_METHOD, {}});
        for (std::size_t i = 0; i < members.size(); ++i)
            members[i].id = DISPID(100 + i);
        return members;
    }());
    return description;
}

// ---------------------------------------------------------------- counted objects

class Counted;

// What the standard dispatcher calls: a vtable whose every member slot hands
// its arguments, as the dispatcher passes them in registers, to its owner.
struct Vtable {
    using Entry = void (*)();
    const Entry *entries;
    Counted *owner;
};

class Counted : public IDispatch {
public:
    // `typed`: its members declared there and called through the standard
    // dispatcher; nullptr: late-bound.
    explicit Counted(const Interface *typed) : m_interface(typed)
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
        *count = m_interface || state().faults.typeInfoRefused ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo **info) override
    {
        *info = nullptr;
        if (!m_interface)
            return state().faults.typeInfoRefused ? TYPE_E_ELEMENTNOTFOUND : E_NOTIMPL;
        if (index != 0)
            return DISP_E_BADINDEX;
        *info = m_interface->type();
        (*info)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID,
                                            DISPID *ids) override
    {
        if (m_interface)
            return DispGetIDsOfNames(m_interface->type(), names, count, ids);
        return lateBoundIds(names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS *params,
                                     VARIANT *result, EXCEPINFO *exception, UINT *wrong) override
    {
        if (!m_interface)
            return call(id, kind, *params, result, exception);
        if (const Declared *member = m_interface->member(id)) {
            if (const HRESULT refused = refusedArguments(*member, *params, wrong); FAILED(refused))
                return refused;
        }
        Call pending{kind, result, EXCEPINFO{}, S_OK};
        m_pending = &pending;
        const HRESULT outcome =
            DispInvoke(&m_vtable, m_interface->type(), id, kind, params, nullptr, exception, wrong);
        m_pending = nullptr;
        if (FAILED(outcome))
            return outcome;
        if (pending.outcome == DISP_E_EXCEPTION && exception)
            *exception = pending.exception;
        return pending.outcome;
    }

    // Member `index` of the interface, called by the dispatcher.
    void typedCall(std::size_t index, const std::array<INT_PTR, 3> &passed)
    {
        const Declared &member = m_interface->at(index);
        const UINT count = UINT(member.parameters.size());
        std::array<VARIANT, 3> args{}; // last first, as Invoke has them
        for (UINT i = 0; i < count; ++i) {
            VARIANT &arg = args[count - 1 - i];
            arg.vt = member.parameters[i];
            // (a reference, a text or a number: in its register's low bytes)
            std::memcpy(&arg.llVal, &passed[i], sizeof(INT_PTR));
        }
        DISPPARAMS params{args.data(), nullptr, count, 0};
        try {
            m_pending->outcome =
                call(member.id, m_pending->kind, params, m_pending->result, &m_pending->exception);
        } catch (...) {
            m_pending->outcome = E_UNEXPECTED; // nothing may unwind through the dispatcher
        }
    }

protected:
    virtual HRESULT invoke(DISPID id, WORD kind, DISPPARAMS &params, VARIANT *result) = 0;
    virtual HRESULT lateBoundIds(LPOLESTR *, UINT, DISPID *) { return DISP_E_UNKNOWNNAME; }

    const Interface *m_interface;

private:
    struct Call {
        WORD kind;
        VARIANT *result;
        EXCEPINFO exception;
        HRESULT outcome;
    };

    HRESULT call(DISPID id, WORD kind, DISPPARAMS &params, VARIANT *result, EXCEPINFO *exception)
    {
        try {
            return invoke(id, kind, params, result);
        } catch (const tolvan::RuntimeError &error) {
            return report(error, exception);
        }
    }

    // A strict server gets exactly what it declares. Wine's dispatcher would
    // pass a reference of another type on as an empty VARIANT and convert a
    // value itself.
    static HRESULT refusedArguments(const Declared &member, const DISPPARAMS &params, UINT *wrong)
    {
        if (params.cArgs != member.parameters.size())
            return DISP_E_BADPARAMCOUNT;
        for (UINT i = 0; i < params.cArgs; ++i) {
            const UINT index = params.cArgs - 1 - i;
            if (params.rgvarg[index].vt != member.parameters[i]) {
                if (wrong)
                    *wrong = index;
                return DISP_E_TYPEMISMATCH;
            }
        }
        return S_OK;
    }

    static const Vtable::Entry *vtableEntries();

    ULONG m_references = 1;
    Vtable m_vtable{vtableEntries(), this};
    Call *m_pending = nullptr;
};

// The vtable's IUnknown part: the dispatching object counts its references.
HRESULT STDMETHODCALLTYPE vtableQueryInterface(Vtable *, REFIID, void **out)
{
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE vtableReference(Vtable *)
{
    return 1;
}

template <std::size_t Index>
void STDMETHODCALLTYPE vtableSlot(Vtable *self, INT_PTR a, INT_PTR b, INT_PTR c)
{
    self->owner->typedCall(Index, {a, b, c});
}

template <std::size_t... Index>
std::array<Vtable::Entry, FirstSlot + sizeof...(Index)> vtable(std::index_sequence<Index...>)
{
    return {reinterpret_cast<Vtable::Entry>(&vtableQueryInterface),
            reinterpret_cast<Vtable::Entry>(&vtableReference),
            reinterpret_cast<Vtable::Entry>(&vtableReference),
            reinterpret_cast<Vtable::Entry>(&vtableSlot<Index>)...};
}

const Vtable::Entry *Counted::vtableEntries()
{
    static const auto entries = vtable(std::make_index_sequence<MostMembers>());
    return entries.data();
}

// An object of the server that only stands for itself (a list's key).
class KeyObject final : public Counted {
public:
    KeyObject() : Counted(nullptr) {}

protected:
    HRESULT invoke(DISPID, WORD, DISPPARAMS &, VARIANT *) override { return DISP_E_MEMBERNOTFOUND; }
};

// ---------------------------------------------------------------- list keys

// The stand-in for the component's key that "liste" last answered, until
// Execute gets it; in the process that serves both.
struct StandIn {
    QVariant componentKey;
    VARIANT value{};
};
StandIn &standIn()
{
    static StandIn key;
    return key;
}

VARIANT standInFor(ListKey kind)
{
    VARIANT value;
    VariantInit(&value);
    switch (kind) {
    case ListKey::Component:
        break;
    case ListKey::Short:
        value.vt = VT_I2;
        value.iVal = -4711;
        break;
    case ListKey::Date:
        value.vt = VT_DATE;
        value.date = 45123.75; // 16 July 2023, 18:00
        break;
    case ListKey::VariantArray: {
        SAFEARRAYBOUND bound{3, 1}; // counted from 1, as Visual Basic may
        value.vt = VT_ARRAY | VT_VARIANT;
        value.parray = SafeArrayCreate(VT_VARIANT, 1, &bound);
        VARIANT element;
        LONG i = 1;
        element.vt = VT_I2;
        element.iVal = 1;
        SafeArrayPutElement(value.parray, &i, &element); // (copies)
        i = 2;
        element.vt = VT_BSTR;
        element.bstrVal = bstr(QStringLiteral("0"));
        SafeArrayPutElement(value.parray, &i, &element);
        VariantClear(&element);
        i = 3;
        element.vt = VT_R8;
        element.dblVal = 100;
        SafeArrayPutElement(value.parray, &i, &element);
        break;
    }
    case ListKey::Object:
        value.vt = VT_DISPATCH;
        value.pdispVal = new KeyObject;
        break;
    }
    return value;
}

IUnknown *identity(IUnknown *object)
{
    IUnknown *unknown = nullptr;
    object->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&unknown));
    unknown->Release(); // (only compared)
    return unknown;
}

bool same(const VARIANT &a, const VARIANT &b)
{
    if (a.vt != b.vt)
        return false;
    if (a.vt == VT_DISPATCH || a.vt == VT_UNKNOWN)
        return identity(a.punkVal) == identity(b.punkVal);
    if (a.vt == (VT_ARRAY | VT_VARIANT)) {
        LONG low[2] = {}, high[2] = {};
        if (SafeArrayGetDim(a.parray) != 1 || SafeArrayGetDim(b.parray) != 1)
            return false;
        SafeArrayGetLBound(a.parray, 1, &low[0]);
        SafeArrayGetLBound(b.parray, 1, &low[1]);
        SafeArrayGetUBound(a.parray, 1, &high[0]);
        SafeArrayGetUBound(b.parray, 1, &high[1]);
        if (low[0] != low[1] || high[0] != high[1])
            return false;
        for (LONG i = low[0]; i <= high[0]; ++i) {
            VARIANT x, y;
            VariantInit(&x);
            VariantInit(&y);
            SafeArrayGetElement(a.parray, &i, &x);
            SafeArrayGetElement(b.parray, &i, &y);
            const bool equal = same(x, y);
            VariantClear(&x);
            VariantClear(&y);
            if (!equal)
                return false;
        }
        return true;
    }
    return VarCmp(const_cast<VARIANT *>(&a), const_cast<VARIANT *>(&b), LOCALE_USER_DEFAULT, 0) ==
           VARCMP_EQ;
}

// ---------------------------------------------------------------- server objects

// Every member name ever asked for in the late-bound faces, by dispatch id
// (from 100 on).
QStringList &memberNames()
{
    static QStringList names;
    return names;
}

class DoubleObject final : public Counted {
public:
    DoubleObject(std::unique_ptr<tolvan::ServerObject> object, bool typed)
        : Counted(typed ? &objectInterface() : nullptr), m_object(std::move(object))
    {
    }

protected:
    HRESULT lateBoundIds(LPOLESTR *names, UINT count, DISPID *ids) override
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

    HRESULT invoke(DISPID id, WORD kind, DISPPARAMS &params, VARIANT *result) override
    {
        QString name;
        if (m_interface) {
            const Declared *member = m_interface->member(id);
            if (!member)
                return DISP_E_MEMBERNOTFOUND;
            name = QString::fromWCharArray(member->name);
        } else {
            const qsizetype index = id - 100;
            if (index < 0 || index >= memberNames().size())
                return DISP_E_MEMBERNOTFOUND;
            name = memberNames()[index];
        }
        if (FAILED(state().faults.failure))
            return state().faults.failure;
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
        state().record(name + u'(' + joined(values) + u')');
        const QVariant value = call(name, values);
        for (UINT i = 0; i < params.cArgs; ++i)
            writeBack(slot(params, i), values[i]);
        // The list's key, or a stand-in that Execute then expects back.
        if (name.compare(u"liste", Qt::CaseInsensitive) == 0 &&
            state().faults.listKey != ListKey::Component) {
            VariantClear(&standIn().value);
            standIn() = {value, standInFor(state().faults.listKey)};
            if (result)
                VariantCopy(result, &standIn().value);
            return S_OK;
        }
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
    DoubleResultSet(std::unique_ptr<tolvan::ResultSet> rows, bool typed)
        : Counted(typed ? &resultSetInterface() : nullptr), m_rows(std::move(rows))
    {
    }

protected:
    HRESULT invoke(DISPID id, WORD kind, DISPPARAMS &params, VARIANT *result) override
    {
        if (!(kind & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        switch (id) {
        case 2: { // execute: its one argument by reference
            if (params.cArgs != 1 || slot(params, 0).vt != (VT_BYREF | VT_VARIANT))
                return DISP_E_TYPEMISMATCH;
            state().record(QStringLiteral("Execute"));
            if (standIn().value.vt != VT_EMPTY)
                return executeStandIn(*slot(params, 0).pvarVal);
            QVariant key = argument(params, 0);
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
            state().record(QStringLiteral("Close"));
            m_rows->close();
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    // The list runs with the component's key when the stand-in came back as it was.
    HRESULT executeStandIn(const VARIANT &key)
    {
        StandIn given = std::exchange(standIn(), StandIn());
        const bool unchanged = same(key, given.value);
        const VARTYPE type = given.value.vt;
        VariantClear(&given.value);
        if (!unchanged)
            throw tolvan::RuntimeError(
                tolvan::ServerError::InvalidArgument,
                QStringLiteral("Execute erhielt einen Wert vom Typ %1 statt des Schlüssels "
                               "vom Typ %2, den liste gab")
                    .arg(key.vt, 0, 16)
                    .arg(type, 0, 16));
        m_rows->execute(given.componentKey);
        return S_OK;
    }

    std::unique_ptr<tolvan::ResultSet> m_rows;
};

// ---------------------------------------------------------------- the factory

class DoubleFactory final : public Counted {
public:
    explicit DoubleFactory(bool typed)
        : Counted(typed ? &factoryInterface() : nullptr), m_typed(typed)
    {
    }

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
            state().record(QStringLiteral("Connect(%1)").arg(argument(params, 0).toString()));
            answer(result, !state().faults.connectRefused &&
                               m_factory.connect(embedded(argument(params, 0).toString())));
            if (!state().faults.connectStringWritten.isEmpty())
                writeBack(slot(params, 0), state().faults.connectStringWritten.toString());
            return S_OK;
        case 2:
            state().record(QStringLiteral("Disconnect"));
            m_factory.disconnect();
            return S_OK;
        case 7:
            if (params.cArgs != 2)
                return DISP_E_BADPARAMCOUNT;
            answerObject(result, new DoubleObject(m_factory.openId(argument(params, 0).toString(),
                                                                   argument(params, 1).toString()),
                                                  m_typed));
            return S_OK;
        case 8:
            if (params.cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            answerObject(
                result,
                new DoubleObject(m_factory.createObject(argument(params, 0).toString()), m_typed));
            return S_OK;
        case 11:
            if (params.cArgs != 2)
                return DISP_E_BADPARAMCOUNT;
            state().record(
                QStringLiteral("OpenQuery(%1,%2)")
                    .arg(argument(params, 0).toString(), argument(params, 1).toString()));
            // The object server knows the list's query only, not this
            // program's own "Exportliste".
            if (argument(params, 1).toString() != u"Liste")
                throw tolvan::ServerError(
                    tolvan::ServerError::UnknownQuery,
                    QStringLiteral("Abfrage %1 unbekannt").arg(argument(params, 1).toString()));
            answerObject(result, new DoubleResultSet(
                                     m_factory.openClassQuery(argument(params, 0).toString(),
                                                              argument(params, 1).toString()),
                                     m_typed));
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
    bool m_typed;
};

class ClassObject final : public IClassFactory {
public:
    explicit ClassObject(Face face) : m_face(face) {}

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
        DoubleFactory *factory = new DoubleFactory(isTyped(m_face));
        const HRESULT result = factory->QueryInterface(riid, out);
        factory->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    Face m_face;
};

ClassObject classObjects[] = {ClassObject(Face::LateBound), ClassObject(Face::Typed),
                              ClassObject(Face::LocalLateBound), ClassObject(Face::LocalTyped)};

DWORD registerClassObject(Face face, DWORD context)
{
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(Classes[int(face)], &classObjects[int(face)], context,
                                     REGCLS_MULTIPLEUSE, &cookie)))
        return 0;
    return cookie;
}

// What the local server waits for: the end of the test's Registration.
HANDLE endEvent()
{
    return CreateEventW(nullptr, TRUE, FALSE, sharedName(L"-Ende").c_str());
}

bool writeDefault(HKEY root, const std::wstring &path, const std::wstring &value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG written =
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return written == ERROR_SUCCESS;
}

} // namespace

// ---------------------------------------------------------------- registration

Registration::Registration()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    m_cookies[0] = registerClassObject(Face::LateBound, CLSCTX_INPROC_SERVER);
    m_cookies[1] = registerClassObject(Face::Typed, CLSCTX_INPROC_SERVER);
    m_end = endEvent();
}

Registration::~Registration()
{
    SetEvent(m_end); // (the local server's objects are gone by now)
    if (HANDLE server =
            state().localServer ? OpenProcess(SYNCHRONIZE, FALSE, state().localServer) : nullptr) {
        WaitForSingleObject(server, 30000);
        CloseHandle(server);
    }
    CloseHandle(m_end);
    for (const auto &[root, path] : m_written)
        RegDeleteTreeW(root, path.c_str());
    for (DWORD cookie : m_cookies) {
        if (cookie)
            CoRevokeClassObject(cookie);
    }
}

bool Registration::registerProgId()
{
    const std::wstring path = std::wstring(ProgId);
    m_written.emplace_back(HKEY_CLASSES_ROOT, path);
    return writeDefault(HKEY_CLASSES_ROOT, path + L"\\CLSID", clsid().toStdWString());
}

bool Registration::registerLocalServer(const QString &program, const QString &database)
{
    const std::wstring command = QStringLiteral("\"%1\" %2 \"%3\"")
                                     .arg(QDir::toNativeSeparators(program))
                                     .arg(GetCurrentProcessId())
                                     .arg(QDir::toNativeSeparators(database))
                                     .toStdWString();
    bool written = true;
    for (Face face : {Face::LocalLateBound, Face::LocalTyped}) {
        const std::wstring path = L"CLSID\\" + clsid(face).toStdWString();
        // Where Windows looks for a user's classes; wine 8 reads only the
        // machine's (HKEY_CLASSES_ROOT, writable in its prefix).
        m_written.emplace_back(HKEY_CURRENT_USER, L"Software\\Classes\\" + path);
        written = writeDefault(HKEY_CURRENT_USER,
                               L"Software\\Classes\\" + path + L"\\LocalServer32", command) &&
                  written;
        m_written.emplace_back(HKEY_CLASSES_ROOT, path);
        writeDefault(HKEY_CLASSES_ROOT, path + L"\\LocalServer32", command);
    }
    return written;
}

QString Registration::clsid(Face face)
{
    LPOLESTR text = nullptr;
    StringFromCLSID(Classes[int(face)], &text);
    const QString result = QString::fromWCharArray(text);
    CoTaskMemFree(text);
    return result;
}

int serveLocally(DWORD clientProcess, const QString &database)
{
    client() = clientProcess;
    tolvan::useEmbeddedDatabase(database);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    // The end of the test's Registration, or of the test itself where it
    // failed too hard to get there.
    const HANDLE ends[] = {endEvent(), OpenProcess(SYNCHRONIZE, FALSE, clientProcess)};
    if (!ends[1])
        return 1;
    const DWORD cookies[] = {registerClassObject(Face::LocalLateBound, CLSCTX_LOCAL_SERVER),
                             registerClassObject(Face::LocalTyped, CLSCTX_LOCAL_SERVER)};
    state().localServer = GetCurrentProcessId();
    // Calls come as window messages of the apartment.
    while (MsgWaitForMultipleObjects(2, ends, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 2) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    for (DWORD cookie : cookies) {
        if (cookie)
            CoRevokeClassObject(cookie);
    }
    state().localServer = 0;
    for (HANDLE end : ends)
        CloseHandle(end);
    CoUninitialize();
    return cookies[0] && cookies[1] ? 0 : 1;
}

} // namespace comdouble
