#include "ServerObject.h"

#include "Connection.h"

namespace tolvan {

// ---------------------------------------------------------------- Arg

QVariant Arg::value() const
{
    if (const auto *value = std::get_if<QVariant>(&m_target))
        return *value;
    if (auto *const *text = std::get_if<QString *>(&m_target))
        return QVariant(**text);
    return *std::get<QVariant *>(m_target);
}

void Arg::writeBack(const QVariant &value) const
{
    if (auto *const *text = std::get_if<QString *>(&m_target))
        **text = value.toString();
    else if (auto *const *variant = std::get_if<QVariant *>(&m_target))
        **variant = value;
}

// ---------------------------------------------------------------- ServerObject

ServerObject::ServerObject(std::shared_ptr<Connection> connection, QString className)
    : m_connection(std::move(connection)), m_className(std::move(className))
{
}

ServerObject::~ServerObject() = default;

void ServerObject::checkNotClosed() const
{
    if (m_closed)
        throw ServerError(ServerError::ObjectClosed,
                          QStringLiteral("Das Objekt %1 ist bereits geschlossen").arg(m_className));
}

void ServerObject::checkUsable() const
{
    checkNotClosed();
    m_connection->database();
}

QVariant ServerObject::property(const QString &name)
{
    checkUsable();
    if (std::optional<QVariant> value = readProperty(name.toLower()))
        return *value;
    throw ServerError(
        ServerError::UnknownProperty,
        QStringLiteral("Die Klasse %1 hat keine Eigenschaft %2").arg(m_className, name));
}

QVariant ServerObject::call(const QString &method, std::initializer_list<Arg> args)
{
    checkNotClosed();
    const QString member = method.toLower();
    if (member == u"sys_close") { // also after the connection is gone
        m_closed = true;
        return {};
    }
    checkUsable();
    QVariantList values;
    for (const Arg &arg : args)
        values << arg.value();
    const std::optional<QVariant> result = invoke(member, values);
    if (!result)
        throw ServerError(
            ServerError::UnknownMethod,
            QStringLiteral("Die Klasse %1 hat keine Methode %2").arg(m_className, method));
    int i = 0;
    for (const Arg &arg : args)
        arg.writeBack(values[i++]);
    return *result;
}

// ---------------------------------------------------------------- ResultSet

ResultSet::ResultSet(std::shared_ptr<Connection> connection, QString name)
    : m_connection(std::move(connection)), m_name(std::move(name))
{
}

ResultSet::~ResultSet() = default;

void ResultSet::checkUsable() const
{
    if (m_closed)
        throw ServerError(ServerError::ObjectClosed,
                          QStringLiteral("Die Abfrage %1 ist bereits geschlossen").arg(m_name));
    m_connection->database();
}

void ResultSet::execute(QVariant &argument)
{
    checkUsable();
    m_onRow = false;
    run(argument);
    m_executed = true;
}

bool ResultSet::next()
{
    checkUsable();
    if (!m_executed)
        throw ServerError(ServerError::InvalidOperation,
                          QStringLiteral("Die Abfrage %1 wurde nicht ausgeführt").arg(m_name));
    m_onRow = step();
    return m_onRow;
}

QVariant ResultSet::data(int number)
{
    checkUsable();
    if (!m_onRow)
        throw ServerError(ServerError::InvalidOperation,
                          QStringLiteral("Die Abfrage %1 steht auf keiner Zeile").arg(m_name));
    return column(number);
}

void ResultSet::close()
{
    // Like "sys_Close", also after the connection is gone.
    if (!m_closed && m_connection->isOpen())
        finish();
    m_closed = true;
}

} // namespace tolvan
