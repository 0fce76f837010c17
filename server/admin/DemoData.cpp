#include "DemoData.h"

#include "Engine.h"
#include "Schema.h"

#include <QStringList>
#include <initializer_list>

namespace tolvan {
namespace {

using Rows = std::initializer_list<QStringList>;

void load(Engine &engine, const char *table, const QStringList &columns, Rows rows)
{
    auto loader = engine.bulkLoad(QString::fromLatin1(table), columns);
    for (const QStringList &row : rows)
        loader->add(row);
    loader->finish();
}

void loadFixedData(Engine &engine)
{
    load(engine, "par_pers_edv",
         {"firm", "personnel_code", "passwort", "aktiv", "pname", "pnr", "abtnr", "dw", "bergrp"},
         {
             {"1", "DEMO", "demo", "J", "Erika Musterfrau", "1001", "10", "214", "FILIALE"},
             {"1", "ALT", "alt", "N", "Otto Ruhestand", "1002", "20", "", "FILIALE"},
             {"1", "KLEIN", "Klein", "j", "Jürgen Klein", "1003", "20", "216", "LAGER"},
             {"2", "MEIER", "meier", "J", "Sabine Meier", "2001", "10", "301", "FILIALE"},
         });
    load(engine, "par_pers_abt", {"firm", "abtnr", "abtbez", "habtnr"},
         {
             {"1", "10", "Verkauf Filiale Süd", "1"},
             {"1", "20", "Lager & Logistik", "1"},
             {"2", "10", "Verkauf", "1"},
         });
    load(engine, "pers_basis", {"firm", "pnr", "fax", "email"},
         {
             {"1", "1001", "+49 30 5550-1001", "erika.musterfrau@example.com"},
             {"1", "1002", "", ""},
             {"1", "1003", "+49 30 5550-1003", "juergen.klein@example.com"},
             {"2", "2001", "+49 40 5550-2001", "sabine.meier@example.com"},
         });
    load(engine, "m_global", {"name", "subscripts", "value"},
         {
             {"FA", "0", "TOLVAN Handelsgesellschaft mbH`2026`EUR`Berlin"},
             {"FA", "1", "Filiale Süd`Hauptstraße 1`10115 Berlin"},
         });
    load(engine, "branch", {"firm", "branch", "name"},
         {
             {"1", "0", "Filiale Süd"},
             {"1", "1", "Filiale Nord"},
             {"2", "0", "Hamburg"},
         });
    load(engine, "supplier", {"firm", "supplier_no", "name"},
         {
             {"1", "100", "Nordwind Spielwaren GmbH"},
             {"1", "200", "Müller & Söhne Haushaltswaren KG"},
             {"1", "300", "Große Freiheit Papier- und Schreibwaren e.K."},
             {"1", "400", "Leerlauf Handels-GmbH"},
             {"2", "100", "Hanse Import AG"},
         });
    load(engine, "article", {"firm", "article_no", "supplier_no", "description", "ean"},
         {
             {"1", "100-0001", "100", "Holzeisenbahn, 24-teilig", "4006381333931"},
             {"1", "100-0002", "100", "Plüschbär \"Bruno\" 30 cm", "4012345678901"},
             {"1", "100-0003", "100", "Kreisel Ø 8 cm", ""},
             {"1", "100-0004", "100", "Bauklötze Größe L", "4098765432109"},
             {"1", "100-0005", "100", "Geschenkgutschein 10 €", ""},
             {"1", "200-0001", "200", "Schneebesen Edelstahl", "4001234567890"},
             {"1", "200-0002", "200", "Brotkorb aus Weißbirke", "4001234567891"},
             {"1", "200-0003", "200", "Küchenwaage bis 5 kg", "4001234567892"},
             {"1", "200-0004", "200", "Topflappen (2 Stück)", ""},
             {"1", "300-0001", "300", "Füllfederhalter schwarz", "4011111111111"},
             {"1", "300-0002", "300", "Collegeblock A4, kariert", "4011111111112"},
             {"1", "300-0003", "300", "Radiergummi weiß", "4011111111113"},
             {"2", "100-0001", "100", "Teeservice Porzellan", "4022222222222"},
         });
    load(engine, "stock", {"firm", "branch", "article_no", "quantity"},
         {
             {"1", "0", "100-0001", "12"},
             {"1", "0", "100-0002", "5"},
             {"1", "0", "100-0003", "7"},
             {"1", "0", "100-0004", "0"},
             {"1", "0", "200-0001", "3"},
             {"1", "0", "200-0002", "8"},
             {"1", "0", "200-0003", "1"},
             {"1", "0", "200-0004", "40"},
             {"1", "0", "300-0001", "25"},
             {"1", "0", "300-0002", "100"},
             {"1", "0", "300-0003", "250"},
             {"1", "1", "100-0001", "2"},
             {"1", "1", "100-0002", "1"},
             {"2", "0", "100-0001", "9"},
         });
}

// Article i of the generated supplier: every tenth has no EAN.
void loadGeneratedSupplier(Engine &engine, qint64 count)
{
    load(engine, "supplier", {"firm", "supplier_no", "name"},
         {{demo::Firm, demo::GeneratedSupplier, "Massenware Testlieferant GmbH"}});
    auto articles = engine.bulkLoad(QStringLiteral("article"),
                                    {"firm", "article_no", "supplier_no", "description", "ean"});
    const QString firm = QString::fromLatin1(demo::Firm);
    const QString branch = QString::fromLatin1(demo::Branch);
    const QString supplier = QString::fromLatin1(demo::GeneratedSupplier);
    for (qint64 i = 1; i <= count; ++i) {
        const QString number = QStringLiteral("999-%1").arg(i, 7, 10, QLatin1Char('0'));
        const QString ean =
            i % 10 == 0 ? QString() : QStringLiteral("2%1").arg(i, 12, 10, QLatin1Char('0'));
        articles->add(
            {firm, number, supplier, QStringLiteral("Testartikel %1 Größe M").arg(i), ean});
    }
    articles->finish();
    // PostgreSQL runs one COPY at a time.
    auto stock =
        engine.bulkLoad(QStringLiteral("stock"), {"firm", "branch", "article_no", "quantity"});
    for (qint64 i = 1; i <= count; ++i) {
        stock->add({firm, branch, QStringLiteral("999-%1").arg(i, 7, 10, QLatin1Char('0')),
                    QString::number(i % 100)});
    }
    stock->finish();
}

} // namespace

void loadDemoData(Engine &engine, qint64 articles,
                  const std::function<void(const QString &)> &progress)
{
    Transaction transaction(engine);
    {
        loadFixedData(engine);
        progress(QStringLiteral(
            "Demodaten geladen: 4 Benutzer, 3 Abteilungen, 3 Filialen, 5 Lieferanten, "
            "13 Artikel, ^FA(0)"));
        if (articles > 0) {
            loadGeneratedSupplier(engine, articles);
            progress(QStringLiteral("Lieferant %1 mit %2 erzeugten Artikeln geladen")
                         .arg(QString::fromLatin1(demo::GeneratedSupplier))
                         .arg(articles));
        }
    }
    transaction.commit();
}

void replaceWithDemoData(Engine &engine, qint64 articles,
                         const std::function<void(const QString &)> &progress)
{
    Transaction transaction(engine);
    if (schema::problem(engine).isEmpty()) {
        schema::clear(engine);
        progress(QStringLiteral("Vorhandene Daten gelöscht (das Verbindungsprotokoll bleibt)."));
    } else {
        schema::drop(engine);
        schema::create(engine);
        progress(QStringLiteral("Vorhandene Daten gelöscht, Schema neu angelegt."));
    }
    loadDemoData(engine, articles, progress);
    transaction.commit();
}

} // namespace tolvan
