#pragma once

#include <QString>
#include <QVariant>
#include <initializer_list>
#include <memory>
#include <optional>
#include <variant>

namespace tolvan {

struct Connection;

// One argument of a server method: by value, or by reference to a variable of
// the caller, into which the server's changed value is written back.
class Arg {
public:
    Arg(const QVariant &value) : m_target(value) {}
    Arg(const QString &value) : m_target(QVariant(value)) {}
    Arg(const char *value) : m_target(QVariant(QString::fromUtf8(value))) {}
    static Arg ref(QString &variable) { return Arg(&variable); }
    static Arg ref(QVariant &variable) { return Arg(&variable); }

    QVariant value() const;
    void writeBack(const QVariant &value) const;

private:
    explicit Arg(QString *variable) : m_target(variable) {}
    explicit Arg(QVariant *variable) : m_target(variable) {}
    std::variant<QVariant, QString *, QVariant *> m_target;
};

// A server object: properties read and methods called by name (case does not
// matter, as with late binding). "sys_Close" finishes it; every later call
// raises ServerError(ObjectClosed).
class ServerObject {
public:
    virtual ~ServerObject();
    ServerObject(const ServerObject &) = delete;
    ServerObject &operator=(const ServerObject &) = delete;

    const QString &className() const { return m_className; }
    QVariant property(const QString &name);
    QVariant call(const QString &method, std::initializer_list<Arg> args = {});

protected:
    ServerObject(std::shared_ptr<Connection> connection, QString className);
    Connection &connection() { return *m_connection; }

    // Both receive the member's name in lower case; nothing means "no such member".
    virtual std::optional<QVariant> readProperty(const QString &name) = 0;
    virtual std::optional<QVariant> invoke(const QString &method, QVariantList &args) = 0;

private:
    void checkNotClosed() const;
    void checkUsable() const;

    std::shared_ptr<Connection> m_connection;
    QString m_className;
    bool m_closed = false;
};

// The rows of one class query, stepped forward only. Columns count from 1.
class ResultSet {
public:
    virtual ~ResultSet();
    ResultSet(const ResultSet &) = delete;
    ResultSet &operator=(const ResultSet &) = delete;

    void execute(QVariant &argument);
    bool next();
    QVariant data(int column);
    void close();

protected:
    ResultSet(std::shared_ptr<Connection> connection, QString name);
    Connection &connection() { return *m_connection; }
    virtual void run(QVariant &argument) = 0;
    virtual bool step() = 0;
    virtual QVariant column(int column) = 0;
    virtual void finish() = 0;

private:
    void checkUsable() const;

    std::shared_ptr<Connection> m_connection;
    QString m_name;
    bool m_executed = false;
    bool m_onRow = false;
    bool m_closed = false;
};

} // namespace tolvan
