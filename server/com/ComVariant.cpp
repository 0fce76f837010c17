#include "ComVariant.h"

#include "ComError.h"

namespace tolvan::com {

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

void changeType(VARIANT &value, VARTYPE type)
{
    check(VariantChangeType(&value, &value, 0, type));
}

// ---------------------------------------------------------------- ServerValue

ServerValue::ServerValue(const VARIANT &value)
{
    VariantInit(&m_value);
    // (the source is only read, whatever the declaration says)
    check(VariantCopyInd(&m_value, const_cast<VARIANT *>(&value)));
}

namespace {

// `value` as `type`, by the server's rules; false where it has no such form.
bool changed(const VARIANT &value, VARTYPE type, Variant &out)
{
    return SUCCEEDED(VariantChangeType(out.get(), const_cast<VARIANT *>(&value), 0, type));
}

} // namespace

QString ServerValue::toString(bool *ok) const
{
    Variant text;
    *ok = changed(m_value, VT_BSTR, text);
    return *ok ? fromBstr(text.value().bstrVal) : QString();
}

int ServerValue::toInt(bool *ok) const
{
    Variant number;
    *ok = changed(m_value, VT_I4, number);
    return *ok ? int(number.value().lVal) : 0;
}

qlonglong ServerValue::toLongLong(bool *ok) const
{
    Variant number;
    *ok = changed(m_value, VT_I8, number);
    return *ok ? qlonglong(number.value().llVal) : 0;
}

double ServerValue::toDouble(bool *ok) const
{
    Variant number;
    *ok = changed(m_value, VT_R8, number);
    return *ok ? number.value().dblVal : 0.0;
}

bool ServerValue::toBool(bool *ok) const
{
    Variant truth;
    *ok = changed(m_value, VT_BOOL, truth);
    return *ok && truth.value().boolVal != VARIANT_FALSE;
}

QStringList ServerValue::toStringList(bool *ok) const
{
    *ok = false;
    SAFEARRAY *array = m_value.parray;
    LONG low = 0, high = -1;
    if (!(m_value.vt & VT_ARRAY) || !array || SafeArrayGetDim(array) != 1 ||
        FAILED(SafeArrayGetLBound(array, 1, &low)) || FAILED(SafeArrayGetUBound(array, 1, &high)))
        return {};
    // (the elements are read through pointers into the array: it stays put meanwhile)
    if (FAILED(SafeArrayLock(array)))
        return {};
    QStringList texts;
    bool whole = true;
    for (LONG i = low; i <= high && whole; ++i) {
        // An element as a reference into the array, whatever its type.
        VARIANT element;
        element.vt = VT_BYREF | (m_value.vt & VT_TYPEMASK);
        Variant text;
        whole = SUCCEEDED(SafeArrayPtrOfIndex(array, &i, &element.byref)) &&
                changed(element, VT_BSTR, text);
        if (whole)
            texts << fromBstr(text.value().bstrVal);
    }
    SafeArrayUnlock(array);
    if (!whole)
        return {};
    *ok = true;
    return texts;
}

// ---------------------------------------------------------------- conversions

namespace {

// QVariant's conversions of a ServerValue, once for the process.
bool registerConversions()
{
    QMetaType::registerConverter<ServerValue, QString>(&ServerValue::toString);
    QMetaType::registerConverter<ServerValue, int>(&ServerValue::toInt);
    QMetaType::registerConverter<ServerValue, qlonglong>(&ServerValue::toLongLong);
    QMetaType::registerConverter<ServerValue, double>(&ServerValue::toDouble);
    QMetaType::registerConverter<ServerValue, bool>(&ServerValue::toBool);
    QMetaType::registerConverter<ServerValue, QStringList>(&ServerValue::toStringList);
    return true;
}

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

} // namespace

void toVariant(const QVariant &value, VARIANT *out)
{
    if (value.metaType() == QMetaType::fromType<ServerValue>()) {
        const VARIANT &kept = static_cast<const ServerValue *>(value.constData())->value();
        check(VariantCopy(out, const_cast<VARIANT *>(&kept)));
        return;
    }
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
    switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return QVariant();
    case VT_BSTR:
        return QVariant(fromBstr(value.bstrVal));
    case VT_BOOL:
        return QVariant(value.boolVal != VARIANT_FALSE);
    case VT_I4:
        return QVariant(static_cast<int>(value.lVal));
    case VT_I8:
        return QVariant(static_cast<qlonglong>(value.llVal));
    case VT_R8:
        return QVariant(value.dblVal);
    }
    if (value.vt & VT_BYREF) {
        // A reference to nothing is no value a server may hand out.
        if (!value.byref)
            raise(DISP_E_TYPEMISMATCH);
        return fromVariant(ServerValue(value).value());
    }
    static const bool registered = registerConversions();
    Q_UNUSED(registered);
    return QVariant::fromValue(ServerValue(value));
}

} // namespace tolvan::com
