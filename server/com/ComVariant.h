#pragma once

#include <QVariant>
#include <oaidl.h>

namespace tolvan::com {

// A VARIANT that clears itself: its text, array or object reference goes with it.
class Variant {
public:
    Variant() { VariantInit(&m_value); }
    explicit Variant(const QVariant &value);
    ~Variant() { VariantClear(&m_value); }
    Variant(const Variant &) = delete;
    Variant &operator=(const Variant &) = delete;

    VARIANT *get() { return &m_value; }
    const VARIANT &value() const { return m_value; }
    QVariant toQVariant() const;
    // The object reference it holds, which the caller then owns; nullptr when
    // it holds none.
    IDispatch *takeDispatch();

private:
    VARIANT m_value;
};

// A text as the server takes it; the caller frees it with SysFreeString.
BSTR toBstr(const QString &text);
QString fromBstr(BSTR text);
// A value of a caller's variable, written into a VARIANT the caller clears,
// and back. Texts, numbers, truth values, lists of texts and "nothing".
void toVariant(const QVariant &value, VARIANT *out);
QVariant fromVariant(const VARIANT &value);

} // namespace tolvan::com
