#include "ComDispatch.h"

#include "ComError.h"

#include <vector>

namespace tolvan::com {
namespace {

// How an argument goes where the server declares nothing: a reference to a
// text or variant variable as one to VT_BSTR or VT_VARIANT, a value as it is.
VARTYPE lateBound(const Arg &arg)
{
    if (arg.refersToText())
        return VT_BYREF | VT_BSTR;
    if (arg.refersToVariant())
        return VT_BYREF | VT_VARIANT;
    return VT_EMPTY;
}

// The arguments of one Invoke. Invoke wants them last first; a reference
// points into a variable kept here, copied back to the caller's after the call.
class Arguments {
public:
    // `declared`: how each argument is passed (VT_EMPTY, or none given: late-bound).
    Arguments(std::initializer_list<Arg> args, const std::vector<VARTYPE> *declared)
        : m_args(args), m_passed(args.size()), m_held(args.size())
    {
        for (VARIANT &value : m_passed)
            VariantInit(&value);
        for (VARIANT &value : m_held)
            VariantInit(&value);
        try {
            fill(declared);
        } catch (...) {
            release();
            throw;
        }
        m_params.rgvarg = m_passed.data();
        m_params.cArgs = static_cast<UINT>(m_passed.size());
    }
    ~Arguments() { release(); }
    Arguments(const Arguments &) = delete;
    Arguments &operator=(const Arguments &) = delete;

    DISPPARAMS *params() { return &m_params; }

    void writeBack() const
    {
        std::size_t i = 0;
        for (const Arg &arg : m_args) {
            if (passed(i).vt & VT_BYREF)
                arg.writeBack(fromVariant(m_held[i])); // (nothing for a value)
            ++i;
        }
    }

private:
    VARIANT &passed(std::size_t i) { return m_passed[m_passed.size() - 1 - i]; }
    const VARIANT &passed(std::size_t i) const { return m_passed[m_passed.size() - 1 - i]; }

    void fill(const std::vector<VARTYPE> *declared)
    {
        std::size_t i = 0;
        for (const Arg &arg : m_args) {
            VARTYPE type = declared && i < declared->size() ? (*declared)[i] : VARTYPE(VT_EMPTY);
            if (type == VT_EMPTY)
                type = lateBound(arg);
            const VARTYPE target = type & ~VT_BYREF;
            if (type & VT_BYREF) {
                VARIANT &held = m_held[i];
                toVariant(arg.value(), &held);
                if (target != VT_VARIANT)
                    changeType(held, target);
                // (any other value lies where llVal does)
                passed(i).byref = target == VT_VARIANT ? static_cast<void *>(&held)
                                                       : static_cast<void *>(&held.llVal);
                passed(i).vt = type;
            } else {
                toVariant(arg.value(), &passed(i));
                if (target != VT_EMPTY && target != VT_VARIANT)
                    changeType(passed(i), target);
            }
            ++i;
        }
    }

    void release()
    {
        // (clearing a reference leaves what it points to; that goes below)
        for (VARIANT &value : m_passed)
            VariantClear(&value);
        for (VARIANT &value : m_held)
            VariantClear(&value);
    }

    std::initializer_list<Arg> m_args;
    std::vector<VARIANT> m_passed;
    std::vector<VARIANT> m_held;
    DISPPARAMS m_params{};
};

// How an argument is passed to a parameter of that declared type, VT_EMPTY
// where as the caller gives it: a type no VARIANT converts to (a structure, an
// enumeration, an array, …). A reference is VT_PTR in a type library's
// description, VT_BYREF in one made by CreateDispTypeInfo.
VARTYPE passedAs(const TYPEDESC &type)
{
    VARTYPE passed = type.vt;
    if (passed == VT_PTR)
        passed = type.lptdesc ? VT_BYREF | type.lptdesc->vt : VT_EMPTY;
    switch (passed & ~VT_BYREF) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_BOOL:
    case VT_ERROR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_VARIANT:
        return passed;
    }
    return VT_EMPTY;
}

} // namespace

std::vector<Dispatch::Member> Dispatch::readMembers(IDispatch *object)
{
    std::vector<Member> members;
    UINT count = 0;
    ITypeInfo *type = nullptr;
    if (FAILED(object->GetTypeInfoCount(&count)) || count == 0 ||
        FAILED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &type)) || !type)
        return members;
    TYPEATTR *attributes = nullptr;
    if (SUCCEEDED(type->GetTypeAttr(&attributes))) {
        for (UINT i = 0; i < attributes->cFuncs; ++i) {
            FUNCDESC *function = nullptr;
            if (FAILED(type->GetFuncDesc(i, &function)))
                continue;
            Member member{function->memid, function->invkind, {}};
            for (SHORT p = 0; p < function->cParams; ++p) {
                const ELEMDESC &parameter = function->lprgelemdescParam[p];
                // The return value and the locale are no arguments of a call through IDispatch.
                if (!(parameter.paramdesc.wParamFlags & (PARAMFLAG_FRETVAL | PARAMFLAG_FLCID)))
                    member.parameters.push_back(passedAs(parameter.tdesc));
            }
            type->ReleaseFuncDesc(function);
            members.push_back(std::move(member));
        }
        type->ReleaseTypeAttr(attributes);
    }
    type->Release();
    return members;
}

const std::vector<VARTYPE> *Dispatch::declared(DISPID id, WORD kind)
{
    if (!m_members)
        m_members = readMembers(m_object);
    // (INVOKE_FUNC and INVOKE_PROPERTYGET are DISPATCH_METHOD and DISPATCH_PROPERTYGET)
    for (const Member &member : *m_members) {
        if (member.id == id && (member.kind & kind))
            return &member.parameters;
    }
    return nullptr;
}

Dispatch::~Dispatch()
{
    if (m_object)
        m_object->Release();
}

void Dispatch::invoke(DISPID id, WORD kind, std::initializer_list<Arg> args, Variant &result)
{
    Arguments arguments(args, args.size() > 0 ? declared(id, kind) : nullptr);
    EXCEPINFO exception{};
    UINT wrongArgument = 0;
    const HRESULT outcome =
        m_object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, arguments.params(), result.get(),
                         &exception, &wrongArgument);
    if (FAILED(outcome))
        raiseInvokeFailure(outcome, exception);
    arguments.writeBack();
}

DISPID Dispatch::idOf(const QString &name)
{
    std::wstring text = name.toStdWString();
    LPOLESTR names[] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    check(m_object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    return id;
}

IDispatch *takeObject(Variant &result)
{
    IDispatch *object = result.takeDispatch();
    if (!object)
        raise(DISP_E_TYPEMISMATCH);
    return object;
}

} // namespace tolvan::com
