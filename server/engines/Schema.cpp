#include "Schema.h"

#include "Engine.h"
#include "ServerError.h"

namespace tolvan::schema {
namespace {

const char *const Tables[] = {"par_pers_edv",   "par_pers_abt", "pers_basis", "branch",
                              "supplier",       "article",      "stock",      "m_global",
                              "connection_log", "tolvan_meta"};

const char *const BranchTable = R"sql(
CREATE TABLE branch (
    firm   TEXT NOT NULL,
    branch TEXT NOT NULL,
    name   TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (firm, branch)
);
)sql";

// Documented for administrators in docs/database.md; keep the two in step.
const char *const CreateScript = R"sql(
CREATE TABLE tolvan_meta (
    key   TEXT PRIMARY KEY,
    value TEXT NOT NULL
);
CREATE TABLE par_pers_edv (
    firm           TEXT NOT NULL,
    personnel_code TEXT NOT NULL,
    passwort       TEXT NOT NULL DEFAULT '',
    aktiv          TEXT NOT NULL DEFAULT 'N',
    pname          TEXT NOT NULL DEFAULT '',
    pnr            TEXT NOT NULL DEFAULT '',
    abtnr          TEXT NOT NULL DEFAULT '',
    dw             TEXT NOT NULL DEFAULT '',
    bergrp         TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (firm, personnel_code)
);
CREATE TABLE par_pers_abt (
    firm   TEXT NOT NULL,
    abtnr  TEXT NOT NULL,
    abtbez TEXT NOT NULL DEFAULT '',
    habtnr TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (firm, abtnr)
);
CREATE TABLE pers_basis (
    firm  TEXT NOT NULL,
    pnr   TEXT NOT NULL,
    fax   TEXT NOT NULL DEFAULT '',
    email TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (firm, pnr)
);
CREATE TABLE supplier (
    firm        TEXT NOT NULL,
    supplier_no TEXT NOT NULL,
    name        TEXT NOT NULL,
    PRIMARY KEY (firm, supplier_no)
);
CREATE TABLE article (
    firm        TEXT NOT NULL,
    article_no  TEXT NOT NULL,
    supplier_no TEXT NOT NULL,
    description TEXT NOT NULL DEFAULT '',
    ean         TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (firm, article_no)
);
CREATE INDEX article_by_supplier ON article (firm, supplier_no, article_no);
CREATE TABLE stock (
    firm       TEXT NOT NULL,
    branch     TEXT NOT NULL,
    article_no TEXT NOT NULL,
    quantity   BIGINT NOT NULL DEFAULT 0,
    PRIMARY KEY (firm, branch, article_no)
);
CREATE TABLE m_global (
    name       TEXT NOT NULL,
    subscripts TEXT NOT NULL,
    value      TEXT NOT NULL,
    PRIMARY KEY (name, subscripts)
);
CREATE TABLE connection_log (
    connected_at TEXT NOT NULL,
    firm         TEXT NOT NULL,
    branch       TEXT NOT NULL,
    personnel    TEXT NOT NULL
);
)sql";

bool tableExists(Engine &engine, const char *table)
{
    const char *sql = engine.kind() == Engine::Kind::Sqlite
                          ? "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = $1"
                          : "SELECT count(*) FROM information_schema.tables "
                            "WHERE table_schema = current_schema() AND table_name = $1";
    return engine.scalar(sql, {QString::fromUtf8(table)}) != QLatin1String("0");
}

} // namespace

bool exists(Engine &engine)
{
    return tableExists(engine, "tolvan_meta");
}

QString version(Engine &engine)
{
    return exists(engine) ? engine.scalar("SELECT value FROM tolvan_meta WHERE key = 'schema'")
                          : QString();
}

QString problem(Engine &engine)
{
    const QString found = version(engine);
    if (found == QLatin1String(Version))
        return QString();
    if (found == u"1")
        return QStringLiteral("Die Datenbank hat das Schema 1; \"tolvan-db upgrade\" bringt sie "
                              "auf das Schema %1")
            .arg(QLatin1String(Version));
    return QStringLiteral("Die Datenbank ist keine TOLVAN-Datenbank");
}

bool upgrade(Engine &engine)
{
    Transaction transaction(engine);
    if (version(engine) != u"1")
        return false;
    // Version 2 knows its branches: every branch that has stock.
    engine.execScript(BranchTable);
    engine.exec("INSERT INTO branch (firm, branch) SELECT DISTINCT firm, branch FROM stock");
    engine.exec("UPDATE tolvan_meta SET value = $1 WHERE key = 'schema'",
                {QString::fromLatin1(Version)});
    transaction.commit();
    return true;
}

void create(Engine &engine)
{
    Transaction transaction(engine);
    engine.execScript(CreateScript);
    engine.execScript(BranchTable);
    engine.exec("INSERT INTO tolvan_meta (key, value) VALUES ('schema', $1)",
                {QString::fromLatin1(Version)});
    transaction.commit();
}

void drop(Engine &engine)
{
    Transaction transaction(engine);
    for (const char *table : Tables)
        engine.execScript(std::string("DROP TABLE IF EXISTS ") + table);
    transaction.commit();
}

void clear(Engine &engine)
{
    Transaction transaction(engine);
    for (const char *table : Tables) {
        const std::string_view name(table);
        if (name != "connection_log" && name != "tolvan_meta")
            engine.execScript(std::string("DELETE FROM ") + table);
    }
    transaction.commit();
}

void analyze(Engine &engine)
{
    // Table by table: a plain ANALYZE on PostgreSQL also tries the system
    // catalogues, which only a superuser may analyse.
    for (const char *table : Tables)
        engine.execScript(std::string("ANALYZE ") + table);
}

bool hasData(Engine &engine)
{
    for (const char *table : Tables) {
        if (std::string_view(table) == "tolvan_meta" || !tableExists(engine, table))
            continue;
        if (engine.scalar(std::string("SELECT count(*) FROM ") + table) != QLatin1String("0"))
            return true;
    }
    return false;
}

} // namespace tolvan::schema
