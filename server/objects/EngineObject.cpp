#include "EngineObject.h"

#include "Connection.h"

namespace tolvan {

// ---------------------------------------------------------------- EngineObject

EngineObject::EngineObject(std::shared_ptr<Connection> connection, QString className)
    : ServerObject(std::move(className)), m_connection(std::move(connection))
{
}

void EngineObject::checkNotClosed() const
{
    if (m_closed)
        throw ServerError(ServerError::ObjectClosed,
                          QStringLiteral("Das Objekt %1 ist bereits geschlossen").arg(className()));
}

void EngineObject::checkUsable() const
{
    checkNotClosed();
    m_connection->database();
}

QVariant EngineObject::property(const QString &name)
{
    checkUsable();
    if (std::optional<QVariant> value = readProperty(name.toLower()))
        return *value;
    throw ServerError(
        ServerError::UnknownProperty,
        QStringLiteral("Die Klasse %1 hat keine Eigenschaft %2").arg(className(), name));
}

QVariant EngineObject::call(const QString &method, std::initializer_list<Arg> args)
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
            QStringLiteral("Die Klasse %1 hat keine Methode %2").arg(className(), method));
    int i = 0;
    for (const Arg &arg : args)
        arg.writeBack(values[i++]);
    return *result;
}

// ---------------------------------------------------------------- EngineResultSet

EngineResultSet::EngineResultSet(std::shared_ptr<Connection> connection, QString name)
    : m_connection(std::move(connection)), m_name(std::move(name))
{
}

void EngineResultSet::checkUsable() const
{
    if (m_closed)
        throw ServerError(ServerError::ObjectClosed,
                          QStringLiteral("Die Abfrage %1 ist bereits geschlossen").arg(m_name));
    m_connection->database();
}

void EngineResultSet::execute(QVariant &argument)
{
    checkUsable();
    m_onRow = false;
    run(argument);
    m_executed = true;
}

bool EngineResultSet::next()
{
    checkUsable();
    if (!m_executed)
        throw ServerError(ServerError::InvalidOperation,
                          QStringLiteral("Die Abfrage %1 wurde nicht ausgeführt").arg(m_name));
    m_onRow = step();
    return m_onRow;
}

void EngineResultSet::checkOnRow() const
{
    checkUsable();
    if (!m_onRow)
        throw ServerError(ServerError::InvalidOperation,
                          QStringLiteral("Die Abfrage %1 steht auf keiner Zeile").arg(m_name));
}

QVariant EngineResultSet::data(int number)
{
    checkOnRow();
    QByteArray bytes;
    appendColumnUtf8(number, bytes);
    return QVariant(QString::fromUtf8(bytes));
}

bool EngineResultSet::appendUtf8(int number, QByteArray &bytes)
{
    checkOnRow();
    appendColumnUtf8(number, bytes);
    return true;
}

void EngineResultSet::close()
{
    // Like "sys_Close", also after the connection is gone.
    if (!m_closed && m_connection->isOpen())
        finish();
    m_closed = true;
}

} // namespace tolvan
