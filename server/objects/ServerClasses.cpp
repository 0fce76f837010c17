#include "ServerClasses.h"

#include "Connection.h"
#include "EngineObject.h"
#include "MLine.h"

#include <QDateTime>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace tolvan {
namespace {

ServerError unknownClass(const QString &className)
{
    return ServerError(ServerError::UnknownClass,
                       QStringLiteral("Die Klasse %1 existiert nicht").arg(className));
}

void expectArguments(const QString &member, const QVariantList &args, int count)
{
    if (args.size() != count)
        throw ServerError(ServerError::InvalidArgument,
                          QStringLiteral("%1 erwartet %2 Argumente, erhalten: %3")
                              .arg(member)
                              .arg(count)
                              .arg(args.size()));
}

// Firm and branch numbers are held in M's canonical form ("01" is firm 1);
// other texts stay as they are.
QString canonicalKey(const QString &text)
{
    static const QRegularExpression number(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+(\\.[0-9]*)?")));
    return number.match(text).hasMatch() ? canonicalNumber(text) : text;
}

// ---------------------------------------------------------------- stored classes

struct PropertyColumn {
    const char *property;
    const char *column;
};

struct StoredClass {
    const char *name;
    const char *table;
    const char *keyColumn; // the second id part; the first is always the firm
    std::vector<PropertyColumn> properties;
    const char *conversionMethod; // returns the display text of a stored value
};

const std::array<StoredClass, 3> &storedClasses()
{
    static const std::array<StoredClass, 3> classes{{
        {"TV.ParPersEdv",
         "par_pers_edv",
         "personnel_code",
         {{"Passwort", "passwort"},
          {"AKTIV", "aktiv"},
          {"PNAME", "pname"},
          {"PNR", "pnr"},
          {"AbtNr", "abtnr"},
          {"DW", "dw"},
          {"BERGRP", "bergrp"}},
         "PNAMELogicalToODBC"},
        {"TV.ParPersAbt",
         "par_pers_abt",
         "abtnr",
         {{"abtbez", "abtbez"}, {"AbtNr", "abtnr"}, {"HAbtNr", "habtnr"}},
         "ABTBEZLogicalToODBC"},
        {"TV.PersBasis",
         "pers_basis",
         "pnr",
         {{"fax", "fax"}, {"EMAIL", "email"}},
         "EMailLogicalToODBC"},
    }};
    return classes;
}

const StoredClass *findStoredClass(const QString &className)
{
    for (const StoredClass &cls : storedClasses()) {
        if (className == QLatin1String(cls.name))
            return &cls;
    }
    return nullptr;
}

// A text with a NUL character names nothing: one engine would cut it there,
// the other not.
bool namesNothing(const QString &text)
{
    return text.contains(QChar(u'\0'));
}

// Splits "firm||key", the firm in its canonical form as everywhere ("01" is
// firm 1). Both parts must be non-empty and the split unambiguous: "1|||A"
// could be read two ways and names no object.
std::optional<std::pair<QString, QString>> splitId(const QString &id)
{
    if (namesNothing(id))
        return std::nullopt;
    const QStringList parts = id.split(QStringLiteral("||"));
    if (parts.size() != 2)
        return std::nullopt;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.startsWith(u'|') || part.endsWith(u'|'))
            return std::nullopt;
    }
    return std::pair{canonicalKey(parts[0]), parts[1]};
}

// A snapshot of one stored row, read when the object is opened.
class StoredObject final : public EngineObject {
public:
    StoredObject(std::shared_ptr<Connection> connection, const StoredClass &cls,
                 QHash<QString, QString> values)
        : EngineObject(std::move(connection), QString::fromLatin1(cls.name)), m_class(cls),
          m_values(std::move(values))
    {
    }

protected:
    std::optional<QVariant> readProperty(const QString &name) override
    {
        const auto found = m_values.constFind(name);
        if (found == m_values.cend())
            return std::nullopt;
        return QVariant(*found);
    }

    std::optional<QVariant> invoke(const QString &method, QVariantList &args) override
    {
        if (method != QString::fromLatin1(m_class.conversionMethod).toLower())
            return std::nullopt;
        expectArguments(QString::fromLatin1(m_class.conversionMethod), args, 1);
        return QVariant(args[0].toString());
    }

private:
    const StoredClass &m_class;
    QHash<QString, QString> m_values;
};

// ---------------------------------------------------------------- DRAVONIK.Lager

const char *const SupplierNameSql =
    "SELECT name FROM supplier WHERE firm = $1 AND supplier_no = $2";
const char *const BranchSql = "SELECT 1 FROM branch WHERE firm = $1 AND branch = $2";

// Article number, description, EAN and quantity of every article of the
// supplier in the order of the article number's bytes. Articles without a
// stock row count 0; a branch that does not exist in the firm has no list at
// all (checked once, not per article). For the export file ("Exportliste")
// only EAN and quantity of the same rows: it writes nothing else.
std::string stockListSql(Engine::Kind kind, bool forExport)
{
    // SQLite compares texts by their bytes; PostgreSQL has to be told, whatever
    // the database's collation.
    const QLatin1String order(kind == Engine::Kind::Sqlite ? "a.article_no"
                                                           : "a.article_no COLLATE \"C\"");
    const QLatin1String columns(forExport ? "" : "a.article_no, a.description, ");
    return QStringLiteral("SELECT %2a.ean, COALESCE(s.quantity, 0) "
                          "FROM article a LEFT JOIN stock s "
                          "ON s.firm = a.firm AND s.branch = $2 AND s.article_no = a.article_no "
                          "WHERE a.firm = $1 AND a.supplier_no = $3 "
                          "AND EXISTS (SELECT 1 FROM branch b WHERE b.firm = $1 AND b.branch = $2) "
                          "ORDER BY %1")
        .arg(order, columns)
        .toStdString();
}

// The row text as UTF-8: the four values joined by line feeds. A line feed or
// carriage return inside a value becomes a blank, so that every row keeps its
// four fields.
void appendRowText(const std::array<QByteArrayView, 4> &values, QByteArray &bytes)
{
    qsizetype length = qsizetype(values.size()) - 1;
    for (const QByteArrayView value : values)
        length += value.size();
    const qsizetype start = bytes.size();
    bytes.resize(start + length);
    char *out = bytes.data() + start;
    for (std::size_t column = 0; column < values.size(); ++column) {
        const QByteArrayView value = values[column];
        if (column > 0)
            *out++ = '\n';
        for (const char c : value)
            *out++ = c == '\n' || c == '\r' ? ' ' : c;
    }
}

class LagerObject final : public EngineObject {
public:
    explicit LagerObject(std::shared_ptr<Connection> connection)
        : EngineObject(std::move(connection), QStringLiteral("DRAVONIK.Lager"))
    {
    }

protected:
    std::optional<QVariant> readProperty(const QString &) override { return std::nullopt; }

    std::optional<QVariant> invoke(const QString &method, QVariantList &args) override
    {
        if (method == u"lname") {
            expectArguments(QStringLiteral("LName"), args, 2);
            args[0] = canonicalKey(args[0].toString());
            if (namesNothing(args[0].toString()) || namesNothing(args[1].toString()))
                return QVariant(QString());
            return QVariant(connection().database().scalar(
                SupplierNameSql, {args[0].toString(), args[1].toString()}));
        }
        // Whether the firm has the branch: the stock list of any other is empty.
        if (method == u"hatfiliale") {
            expectArguments(QStringLiteral("HatFiliale"), args, 2);
            const QString firm = canonicalKey(args[0].toString());
            const QString branch = canonicalKey(args[1].toString());
            if (namesNothing(firm) || namesNothing(branch))
                return QVariant(false);
            return QVariant(connection()
                                .database()
                                .query(BranchSql, {firm, branch})
                                ->next());
        }
        if (method == u"liste") {
            expectArguments(QStringLiteral("liste"), args, 3);
            args[0] = canonicalKey(args[0].toString());
            args[1] = canonicalKey(args[1].toString());
            return QVariant(
                QStringList{args[0].toString(), args[1].toString(), args[2].toString()});
        }
        return std::nullopt;
    }
};

class StockList final : public EngineResultSet {
public:
    StockList(std::shared_ptr<Connection> connection, bool forExport)
        : EngineResultSet(std::move(connection), forExport ? QStringLiteral("TV.XW:Exportliste")
                                                           : QStringLiteral("TV.XW:Liste")),
          m_forExport(forExport)
    {
    }

protected:
    void run(QVariant &argument) override
    {
        if (argument.typeId() != QMetaType::QStringList || argument.toStringList().size() != 3)
            throw ServerError(ServerError::InvalidArgument,
                              QStringLiteral("TV.XW:Liste erwartet den Wert von "
                                             "DRAVONIK.Lager.liste als Argument"));
        const QStringList key = argument.toStringList();
        m_rows.reset();
        if (std::any_of(key.cbegin(), key.cend(), namesNothing))
            return; // no rows
        Engine &database = connection().database();
        static const std::array<std::string, 4> sql{
            stockListSql(Engine::Kind::Sqlite, false), stockListSql(Engine::Kind::Sqlite, true),
            stockListSql(Engine::Kind::Postgres, false), stockListSql(Engine::Kind::Postgres, true)};
        const std::size_t which =
            (database.kind() == Engine::Kind::Sqlite ? 0 : 2) + (m_forExport ? 1 : 0);
        m_rows = database.query(sql[which], {key[0], key[1], key[2]});
    }
    bool step() override { return m_rows && m_rows->next(); }
    void appendColumnUtf8(int number, QByteArray &bytes) override
    {
        if (number != 1)
            throw ServerError(ServerError::InvalidArgument,
                              QStringLiteral("TV.XW:Liste hat keine Spalte %1").arg(number));
        const Cursor &row = *m_rows;
        if (m_forExport) // article number and description left empty
            appendRowText({QByteArrayView(), QByteArrayView(), row.utf8(0), row.utf8(1)}, bytes);
        else
            appendRowText({row.utf8(0), row.utf8(1), row.utf8(2), row.utf8(3)}, bytes);
    }
    void finish() override { m_rows.reset(); }

private:
    std::unique_ptr<Cursor> m_rows;
    bool m_forExport;
};

// ---------------------------------------------------------------- TV.Windows

class ConnectionEnvironment final : public MEnvironment {
public:
    explicit ConnectionEnvironment(Connection &connection) : m_connection(connection) {}

    std::optional<QString> global(const QString &name, const QString &subscripts) override
    {
        auto rows = m_connection.database().query(
            "SELECT value FROM m_global WHERE name = $1 AND subscripts = $2", {name, subscripts});
        if (!rows->next())
            return std::nullopt;
        return rows->text(0);
    }

    // ^%XTT records who connected and when, from the identity variables. The
    // record never holds up a connect: while another program writes (a
    // reload), it is dropped. An identity with a NUL character names nobody
    // and is not recorded, on either engine.
    bool runRoutine(const QString &name) override
    {
        if (name != u"%XTT")
            return false;
        const auto &locals = m_connection.locals;
        const QVariantList row{QDateTime::currentDateTimeUtc().toString(Qt::ISODate),
                               locals.value(QStringLiteral("FIRMA")),
                               locals.value(QStringLiteral("FIL")),
                               locals.value(QStringLiteral("PERSONAL"))};
        if (std::any_of(row.cbegin(), row.cend(),
                        [](const QVariant &value) { return namesNothing(value.toString()); }))
            return true;
        m_connection.database().execUnlessBusy(
            "INSERT INTO connection_log (connected_at, firm, branch, personnel) "
            "VALUES ($1, $2, $3, $4)",
            row);
        return true;
    }

private:
    Connection &m_connection;
};

class WindowsObject final : public EngineObject {
public:
    explicit WindowsObject(std::shared_ptr<Connection> connection)
        : EngineObject(std::move(connection), QStringLiteral("TV.Windows"))
    {
    }

protected:
    std::optional<QVariant> readProperty(const QString &) override { return std::nullopt; }

    std::optional<QVariant> invoke(const QString &method, QVariantList &args) override
    {
        if (method != u"xecute")
            return std::nullopt;
        expectArguments(QStringLiteral("Xecute"), args, 1);
        ConnectionEnvironment environment(connection());
        return QVariant(runMLine(args[0].toString(), connection().locals, environment));
    }
};

} // namespace

std::unique_ptr<ServerObject> openStoredObject(const std::shared_ptr<Connection> &connection,
                                               const QString &className, const QString &id)
{
    const StoredClass *cls = findStoredClass(className);
    if (!cls) {
        if (className == u"TV.Windows" || className == u"DRAVONIK.Lager")
            throw ServerError(
                ServerError::InvalidOperation,
                QStringLiteral("Die Klasse %1 hat keine gespeicherten Objekte").arg(className));
        throw unknownClass(className);
    }
    Engine &database = connection->database();
    const auto key = splitId(id);
    if (key) {
        QStringList columns;
        for (const PropertyColumn &property : cls->properties)
            columns << QString::fromLatin1(property.column);
        const std::string sql = QStringLiteral("SELECT %1 FROM %2 WHERE firm = $1 AND %3 = $2")
                                    .arg(columns.join(u','), QString::fromLatin1(cls->table),
                                         QString::fromLatin1(cls->keyColumn))
                                    .toStdString();
        auto row = database.query(sql, {key->first, key->second});
        if (row->next()) {
            QHash<QString, QString> values;
            for (int i = 0; i < int(cls->properties.size()); ++i)
                values.insert(QString::fromLatin1(cls->properties[i].property).toLower(),
                              row->text(i));
            return std::make_unique<StoredObject>(connection, *cls, std::move(values));
        }
    }
    throw ServerError(
        ServerError::ObjectNotFound,
        QStringLiteral("Ein Objekt %1 mit der ID \"%2\" existiert nicht").arg(className, id));
}

std::unique_ptr<ServerObject> createServerObject(const std::shared_ptr<Connection> &connection,
                                                 const QString &className)
{
    if (className == u"TV.Windows")
        return std::make_unique<WindowsObject>(connection);
    if (className == u"DRAVONIK.Lager")
        return std::make_unique<LagerObject>(connection);
    if (findStoredClass(className))
        throw ServerError(ServerError::InvalidOperation,
                          QStringLiteral("Objekte der Klasse %1 werden nur über ihre ID geöffnet")
                              .arg(className));
    throw unknownClass(className);
}

std::unique_ptr<ResultSet> openServerQuery(const std::shared_ptr<Connection> &connection,
                                           const QString &className, const QString &queryName)
{
    if (className != u"TV.XW")
        throw unknownClass(className);
    if (queryName != u"Liste" && queryName != u"Exportliste")
        throw ServerError(
            ServerError::UnknownQuery,
            QStringLiteral("Die Klasse %1 hat keine Abfrage %2").arg(className, queryName));
    return std::make_unique<StockList>(connection, queryName == u"Exportliste");
}

} // namespace tolvan
