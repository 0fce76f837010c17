#pragma once

#include <QString>
#include <QVariant>
#include <initializer_list>
#include <variant>

namespace tolvan {

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
    // How a late-bound call passes it: by reference to a text or to a variant
    // variable, or else by value.
    bool refersToText() const { return std::holds_alternative<QString *>(m_target); }
    bool refersToVariant() const { return std::holds_alternative<QVariant *>(m_target); }

private:
    explicit Arg(QString *variable) : m_target(variable) {}
    explicit Arg(QVariant *variable) : m_target(variable) {}
    std::variant<QVariant, QString *, QVariant *> m_target;
};

// A server object: properties read and methods called by name (case does not
// matter, as with late binding). "sys_Close" finishes it.
class ServerObject {
public:
    virtual ~ServerObject();
    ServerObject(const ServerObject &) = delete;
    ServerObject &operator=(const ServerObject &) = delete;

    const QString &className() const { return m_className; }
    virtual QVariant property(const QString &name) = 0;
    virtual QVariant call(const QString &method, std::initializer_list<Arg> args = {}) = 0;

protected:
    explicit ServerObject(QString className) : m_className(std::move(className)) {}

private:
    QString m_className;
};

// The rows of one class query, stepped forward only. Columns count from 1.
class ResultSet {
public:
    virtual ~ResultSet();
    ResultSet(const ResultSet &) = delete;
    ResultSet &operator=(const ResultSet &) = delete;

    virtual void execute(QVariant &argument) = 0;
    virtual bool next() = 0;
    virtual QVariant data(int column) = 0;
    // Appends the column's text as the UTF-8 bytes the server read, where it
    // holds them so (the component's own engines), and returns true: a reader
    // that writes bytes anyway (the export of a million rows) spares two
    // conversions per row. The same text as data(). False, with nothing
    // appended, where the text only comes as a string (the object server):
    // UTF-8 cannot carry every string, so data() has to be read then.
    virtual bool appendUtf8(int column, QByteArray &bytes);
    virtual void close() = 0;

protected:
    ResultSet() = default;
};

} // namespace tolvan
