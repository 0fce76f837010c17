#pragma once

#include <QMetaType>
#include <QVariant>
#include <oaidl.h>

namespace tolvan::com {

// A VARIANT that clears itself: its text, array or object reference goes with it.
class Variant {
public:
    Variant() { VariantInit(&m_value); }
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

// A value of the server that no QVariant type holds as it is (a 16-bit
// number, a date, an array, an object, …): a copy of the VARIANT it came as,
// so that handing it back gives the server exactly what it handed out. Reads
// as text, number or truth value through QVariant (toString(), toInt(), …),
// converted by the server's rules (VariantChangeType).
class ServerValue {
public:
    ServerValue() { VariantInit(&m_value); }
    // A reference is copied as what it refers to.
    explicit ServerValue(const VARIANT &value);
    ServerValue(const ServerValue &other) : ServerValue(other.m_value) {}
    ServerValue(ServerValue &&other) noexcept : m_value(other.m_value)
    {
        VariantInit(&other.m_value);
    }
    ServerValue &operator=(ServerValue other) noexcept
    {
        std::swap(m_value, other.m_value);
        return *this;
    }
    ~ServerValue() { VariantClear(&m_value); }

    const VARIANT &value() const { return m_value; }

    QString toString(bool *ok) const;
    int toInt(bool *ok) const;
    qlonglong toLongLong(bool *ok) const;
    double toDouble(bool *ok) const;
    bool toBool(bool *ok) const;
    // An array's elements, each as text.
    QStringList toStringList(bool *ok) const;

private:
    VARIANT m_value;
};

// A text as the server takes it; the caller frees it with SysFreeString.
BSTR toBstr(const QString &text);
QString fromBstr(BSTR text);
// A value of a caller's variable, written into a VARIANT the caller clears,
// and back. Texts, truth values, 32- and 64-bit integers, doubles and
// "nothing" (VT_EMPTY and VT_NULL) as Qt's own types, anything else of the
// server as a ServerValue; a caller's list of texts goes as an array of texts.
void toVariant(const QVariant &value, VARIANT *out);
QVariant fromVariant(const VARIANT &value);
// Converts `value` in place to `type` as the server would; raises ServerError
// where it cannot.
void changeType(VARIANT &value, VARTYPE type);

} // namespace tolvan::com

Q_DECLARE_METATYPE(tolvan::com::ServerValue)
