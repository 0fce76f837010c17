#pragma once

#include "ComDispatch.h"
#include "ServerObject.h"

namespace tolvan::com {

// A server object of the object server: every member looked up by name.
class ComServerObject final : public ServerObject {
public:
    ComServerObject(QString className, IDispatch *object)
        : ServerObject(std::move(className)), m_object(object)
    {
    }

    QVariant property(const QString &name) override;
    QVariant call(const QString &method, std::initializer_list<Arg> args = {}) override;

private:
    Dispatch m_object;
};

// A result set of the object server, by its fixed dispatch ids.
class ComResultSet final : public ResultSet {
public:
    explicit ComResultSet(IDispatch *object) : m_object(object) {}

    void execute(QVariant &argument) override;
    bool next() override;
    QVariant data(int column) override;
    void close() override;

private:
    Dispatch m_object;
};

} // namespace tolvan::com
