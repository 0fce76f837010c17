#include "ComDispatch.h"

#include "ComError.h"

#include <vector>

namespace tolvan::com {
namespace {

// The arguments of one Invoke. Invoke wants them last first; a reference
// points into a variable kept here, copied back to the caller's after the call.
class Arguments {
public:
    explicit Arguments(std::initializer_list<Arg> args)
        : m_args(args), m_passed(args.size()), m_texts(args.size(), nullptr),
          m_variants(args.size())
    {
        for (VARIANT &value : m_passed)
            VariantInit(&value);
        for (VARIANT &value : m_variants)
            VariantInit(&value);
        try {
            fill();
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
            if (arg.refersToText())
                arg.writeBack(QVariant(fromBstr(m_texts[i])));
            else if (arg.refersToVariant())
                arg.writeBack(fromVariant(m_variants[i]));
            ++i;
        }
    }

private:
    void fill()
    {
        std::size_t i = 0;
        for (const Arg &arg : m_args) {
            VARIANT &passed = m_passed[m_passed.size() - 1 - i];
            if (arg.refersToText()) {
                m_texts[i] = toBstr(arg.value().toString());
                passed.pbstrVal = &m_texts[i];
                passed.vt = VT_BYREF | VT_BSTR;
            } else if (arg.refersToVariant()) {
                toVariant(arg.value(), &m_variants[i]);
                passed.pvarVal = &m_variants[i];
                passed.vt = VT_BYREF | VT_VARIANT;
            } else {
                toVariant(arg.value(), &passed);
            }
            ++i;
        }
    }

    void release()
    {
        // (clearing a reference leaves what it points to; that goes below)
        for (VARIANT &value : m_passed)
            VariantClear(&value);
        for (BSTR text : m_texts)
            SysFreeString(text);
        for (VARIANT &value : m_variants)
            VariantClear(&value);
    }

    std::initializer_list<Arg> m_args;
    std::vector<VARIANT> m_passed;
    std::vector<BSTR> m_texts;
    std::vector<VARIANT> m_variants;
    DISPPARAMS m_params{};
};

} // namespace

Dispatch::~Dispatch()
{
    if (m_object)
        m_object->Release();
}

void Dispatch::invoke(DISPID id, WORD kind, std::initializer_list<Arg> args, Variant &result)
{
    Arguments arguments(args);
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
