#include "StockQuery.h"

#include "Connecting.h"
#include "ServerError.h"
#include "Session.h"

namespace tolvan {

QString supplierName(const QString &supplierNumber)
{
    ConnectServer();
    Session &state = session();
    std::unique_ptr<ServerObject> stock =
        state.Factory->createObject(QStringLiteral("DRAVONIK.Lager"));
    return stock->call(QStringLiteral("LName"), {Arg::ref(state.Firm), supplierNumber}).toString();
}

std::optional<bool> branchKnown()
{
    ConnectServer();
    Session &state = session();
    std::unique_ptr<ServerObject> stock =
        state.Factory->createObject(QStringLiteral("DRAVONIK.Lager"));
    try {
        return stock->call(QStringLiteral("HatFiliale"), {state.Firm, state.Branch}).toBool();
    } catch (const ServerError &error) {
        if (isUnknownMember(error.number()))
            return std::nullopt;
        throw;
    }
}

namespace {

// The stock query run with `key`, its first row known (an engine may only then
// find out that it cannot answer): "Exportliste" where the server has it (this
// program's own component), else the list ("Liste", an object server, which
// refuses to open a query it does not know). A failure while it runs is a real
// one and is not hidden behind a second try.
std::unique_ptr<ResultSet> runStockQuery(Factory &factory, const QVariant &key,
                                         StockFields fields, bool &more)
{
    std::unique_ptr<ResultSet> rows;
    if (fields == StockFields::ForExport) {
        try {
            rows = factory.openClassQuery(QStringLiteral("TV.XW"), QStringLiteral("Exportliste"));
        } catch (const ServerError &) {
            // no such query: the whole list serves as well
        }
    }
    if (!rows)
        rows = factory.openClassQuery(QStringLiteral("TV.XW"), QStringLiteral("Liste"));
    QVariant argument = key;
    rows->execute(argument);
    more = rows->next();
    return rows;
}

} // namespace

qsizetype fetchStockList(const QString &supplierNumber, const std::function<void()> &clear,
                         const std::function<void(const StockRow &row)> &addRow,
                         StockFields fields)
{
    ConnectServer();
    BeginServerWork();
    Session &state = session();
    QVariant key;
    {
        std::unique_ptr<ServerObject> stock =
            state.Factory->createObject(QStringLiteral("DRAVONIK.Lager"));
        key = stock->call(QStringLiteral("liste"),
                          {Arg::ref(state.Firm), Arg::ref(state.Branch), supplierNumber});
    }
    bool more = false;
    std::unique_ptr<ResultSet> rows = runStockQuery(*state.Factory, key, fields, more);
    clear();
    qsizetype count = 0;
    QByteArray bytes;
    QString text;
    for (; more; more = rows->next()) {
        bytes.resize(0); // keeps its room, unlike clear()
        if (rows->appendUtf8(1, bytes)) {
            addRow({true, bytes, {}});
        } else {
            text = rows->data(1).toString();
            addRow({false, {}, text});
        }
        ++count;
    }
    rows->close();
    rows.reset();
    EndServerWork(false);
    return count;
}

} // namespace tolvan
