#pragma once

#include "ServerObject.h"

#include <memory>
#include <optional>

namespace tolvan {

struct Connection;

// A server object of the component's own engines: the members come from the
// class, the checks (closed object, connection gone) are made here. After
// "sys_Close" every call raises ServerError(ObjectClosed).
class EngineObject : public ServerObject {
public:
    QVariant property(const QString &name) override;
    QVariant call(const QString &method, std::initializer_list<Arg> args = {}) override;

protected:
    EngineObject(std::shared_ptr<Connection> connection, QString className);
    Connection &connection() { return *m_connection; }

    // Both receive the member's name in lower case; nothing means "no such member".
    virtual std::optional<QVariant> readProperty(const QString &name) = 0;
    virtual std::optional<QVariant> invoke(const QString &method, QVariantList &args) = 0;

private:
    void checkNotClosed() const;
    void checkUsable() const;

    std::shared_ptr<Connection> m_connection;
    bool m_closed = false;
};

// A class query of the component's own engines.
class EngineResultSet : public ResultSet {
public:
    void execute(QVariant &argument) override;
    bool next() override;
    QVariant data(int column) override;
    bool appendUtf8(int column, QByteArray &bytes) override;
    void close() override;

protected:
    EngineResultSet(std::shared_ptr<Connection> connection, QString name);
    Connection &connection() { return *m_connection; }
    virtual void run(QVariant &argument) = 0;
    virtual bool step() = 0;
    // The column's text as the UTF-8 bytes the engine read; data() is made from it.
    virtual void appendColumnUtf8(int column, QByteArray &bytes) = 0;
    virtual void finish() = 0;

private:
    void checkUsable() const;
    void checkOnRow() const;

    std::shared_ptr<Connection> m_connection;
    QString m_name;
    bool m_executed = false;
    bool m_onRow = false;
    bool m_closed = false;
};

} // namespace tolvan
