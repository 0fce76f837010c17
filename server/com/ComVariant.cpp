#include "ComVariant.h"

#include "ComError.h"

namespace tolvan::com {

Variant::Variant(const QVariant &value)
{
    VariantInit(&m_value);
    toVariant(value, &m_value);
}

QVariant Variant::toQVariant() const
{
    return fromVariant(m_value);
}

IDispatch *Variant::takeDispatch()
{
    if (m_value.vt != VT_DISPATCH)
        return nullptr;
    IDispatch *object = m_value.pdispVal;
    m_value.vt = VT_EMPTY; // the reference moves to the caller, uncounted
    return object;
}

BSTR toBstr(const QString &text)
{
    BSTR result = SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.utf16()),
                                    static_cast<UINT>(text.size()));
    if (!result)
        raise(E_OUTOFMEMORY);
    return result;
}

QString fromBstr(BSTR text)
{
    // A null BSTR is the empty text.
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text),
                              static_cast<qsizetype>(SysStringLen(text)));
}

namespace {

SAFEARRAY *toTextArray(const QStringList &texts)
{
    SAFEARRAY *array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
    if (!array)
        raise(E_OUTOFMEMORY);
    for (LONG i = 0; i < texts.size(); ++i) {
        BSTR text = toBstr(texts[i]);
        const HRESULT result = SafeArrayPutElement(array, &i, text); // copies the text
        SysFreeString(text);
        if (FAILED(result)) {
            SafeArrayDestroy(array);
            raise(result);
        }
    }
    return array;
}

// A one-dimensional array of texts or variants, each element as a text.
QStringList fromArray(const VARIANT &value)
{
    SAFEARRAY *array = (value.vt & VT_BYREF) ? *value.pparray : value.parray;
    LONG low = 0, high = -1;
    if (!array || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &low)) ||
        FAILED(SafeArrayGetUBound(array, 1, &high)))
        raise(DISP_E_TYPEMISMATCH);
    QStringList texts;
    for (LONG i = low; i <= high; ++i) {
        Variant element;
        HRESULT result = S_OK;
        if ((value.vt & VT_TYPEMASK) == VT_BSTR) {
            BSTR text = nullptr;
            result = SafeArrayGetElement(array, &i, &text); // a copy
            element.get()->vt = VT_BSTR;
            element.get()->bstrVal = text;
        } else if ((value.vt & VT_TYPEMASK) == VT_VARIANT) {
            result = SafeArrayGetElement(array, &i, element.get()); // a copy
        } else {
            result = DISP_E_TYPEMISMATCH;
        }
        if (FAILED(result))
            raise(result);
        texts << element.toQVariant().toString();
    }
    return texts;
}

void changeType(Variant &out, const VARIANT &value, VARTYPE type)
{
    // (the source is only read, whatever the declaration says)
    const HRESULT result = VariantChangeType(out.get(), const_cast<VARIANT *>(&value), 0, type);
    if (FAILED(result))
        raise(result);
}

} // namespace

void toVariant(const QVariant &value, VARIANT *out)
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
    case QMetaType::LongLong:
        out->vt = VT_I8;
        out->llVal = value.toLongLong();
        break;
    case QMetaType::Double:
        out->vt = VT_R8;
        out->dblVal = value.toDouble();
        break;
    case QMetaType::QStringList:
        out->parray = toTextArray(value.toStringList());
        out->vt = VT_ARRAY | VT_BSTR;
        break;
    default:
        out->bstrVal = toBstr(value.toString());
        out->vt = VT_BSTR;
        break;
    }
}

QVariant fromVariant(const VARIANT &value)
{
    // A reference to nothing is no value a server may hand out.
    if ((value.vt & VT_BYREF) && !value.byref)
        raise(DISP_E_TYPEMISMATCH);
    if (value.vt & VT_ARRAY)
        return QVariant(fromArray(value));
    if (value.vt == (VT_BYREF | VT_VARIANT))
        return fromVariant(*value.pvarVal);
    switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return QVariant();
    case VT_BSTR:
        return QVariant(fromBstr(value.bstrVal));
    case VT_BYREF | VT_BSTR:
        return QVariant(fromBstr(*value.pbstrVal));
    case VT_BOOL:
        return QVariant(value.boolVal != VARIANT_FALSE);
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_UI1:
    case VT_UI2:
    case VT_INT: {
        Variant number;
        changeType(number, value, VT_I4);
        return QVariant(static_cast<int>(number.value().lVal));
    }
    case VT_I8:
        return QVariant(static_cast<qlonglong>(value.llVal));
    case VT_R4:
    case VT_R8:
        return QVariant(value.vt == VT_R4 ? double(value.fltVal) : value.dblVal);
    default: { // anything else (a date, a currency amount, …) as the server's text for it
        Variant text;
        changeType(text, value, VT_BSTR);
        return QVariant(fromBstr(text.value().bstrVal));
    }
    }
}

} // namespace tolvan::com
