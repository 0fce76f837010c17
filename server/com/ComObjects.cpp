#include "ComObjects.h"

namespace tolvan::com {
namespace {

enum ResultSetMember : DISPID { Execute = 2, Next = 3, Column = 5, Close = 6 };

} // namespace

QVariant ComServerObject::property(const QString &name)
{
    Variant result;
    m_object.invoke(m_object.idOf(name), DISPATCH_PROPERTYGET, {}, result);
    return result.toQVariant();
}

QVariant ComServerObject::call(const QString &method, std::initializer_list<Arg> args)
{
    Variant result;
    m_object.invoke(m_object.idOf(method), ValueCall, args, result);
    return result.toQVariant();
}

void ComResultSet::execute(QVariant &argument)
{
    Variant result;
    m_object.invoke(Execute, DISPATCH_METHOD, {Arg::ref(argument)}, result);
}

bool ComResultSet::next()
{
    Variant result;
    m_object.invoke(Next, ValueCall, {}, result);
    return result.toQVariant().toBool();
}

QVariant ComResultSet::data(int column)
{
    Variant result;
    m_object.invoke(Column, ValueCall, {QVariant(column)}, result);
    return result.toQVariant();
}

void ComResultSet::close()
{
    Variant result;
    m_object.invoke(Close, DISPATCH_METHOD, {}, result);
}

} // namespace tolvan::com
