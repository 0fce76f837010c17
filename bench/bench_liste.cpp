// Times the stock query through the data server component against the engine's
// own shell writing the same rows as CSV, on a supplier with many articles.
//
//   bench_liste [--articles N] [--database FILE | --server HOST --port PORT]
//
// SQLite: the database is created with tolvan-db's demo data (supplier 999
// with N articles) unless it already holds them. PostgreSQL: as a company
// loads its own data, every run anew: the schema as tolvan-db init makes it,
// then the articles and their stock by psql's \copy, with autovacuum off for
// those tables and no ANALYZE, so that the query is planned without statistics.

#include "BenchSupport.h"
#include "DemoData.h"
#include "Engine.h"
#include "Factory.h"
#include "Schema.h"
#include "Target.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace tolvan;

namespace {

// The same rows, in the same order.
QString shellQuery(const Target &target)
{
    return QStringLiteral("SELECT a.article_no, a.description, a.ean, COALESCE(s.quantity, 0) "
                          "FROM article a LEFT JOIN stock s "
                          "ON s.firm = a.firm AND s.branch = '0' AND s.article_no = a.article_no "
                          "WHERE a.firm = '1' AND a.supplier_no = '999' ORDER BY a.article_no%1")
        .arg(target.isServer() ? QLatin1String(" COLLATE \"C\"") : QLatin1String());
}

struct Run {
    double seconds;
    qint64 rows;
};

Run component(const Target &target)
{
    if (!target.isServer())
        qputenv("TOLVAN_DATABASE", target.file.toLocal8Bit());
    Factory factory;
    if (!factory.connect(target.connectString()))
        qFatal("connect: %s", qPrintable(factory.lastConnectError()));
    QElapsedTimer timer;
    timer.start();
    QString firm = QStringLiteral("1");
    QString branch = QStringLiteral("0");
    QVariant key = factory.createObject(QStringLiteral("DRAVONIK.Lager"))
                       ->call(QStringLiteral("liste"),
                              {Arg::ref(firm), Arg::ref(branch), QStringLiteral("999")});
    auto rows = factory.openClassQuery(QStringLiteral("TV.XW"), QStringLiteral("Liste"));
    rows->execute(key);
    qint64 count = 0;
    qint64 characters = 0;
    while (rows->next()) {
        characters += rows->data(1).toString().size();
        ++count;
    }
    rows->close();
    Q_UNUSED(characters);
    return {double(timer.nsecsElapsed()) / 1e9, count};
}

double shell(const Target &target)
{
    return shellSeconds(target, shellQuery(target), QProcess::nullDevice());
}

// Whether bench_liste may drop the database's tables: it created them itself
// (marked in tolvan_meta), or --force says so.
bool mayReplace(Engine &engine, const Target &target, bool force)
{
    if (!schema::exists(engine) || force ||
        engine.scalar("SELECT value FROM tolvan_meta WHERE key = 'created_by'") == u"bench_liste")
        return true;
    std::fprintf(stderr,
                 "%s holds a database that bench_liste did not create; --force drops and "
                 "reloads it\n",
                 qPrintable(target.describe()));
    return false;
}

void createSchema(Engine &engine)
{
    Transaction transaction(engine);
    if (schema::exists(engine))
        schema::drop(engine);
    schema::create(engine);
    engine.exec("INSERT INTO tolvan_meta (key, value) VALUES ('created_by', 'bench_liste')");
    transaction.commit();
}

// Makes the SQLite database hold `articles` generated articles.
bool prepareFile(const Target &target, qint64 articles, bool force)
{
    auto engine = target.open(true);
    if (!mayReplace(*engine, target, force))
        return false;
    if (schema::exists(*engine) &&
        engine->scalar("SELECT count(*) FROM article WHERE supplier_no = '999'") ==
            QString::number(articles))
        return true;
    std::printf("creating %lld articles in %s ...\n", static_cast<long long>(articles),
                qPrintable(target.describe()));
    createSchema(*engine);
    loadDemoData(*engine, articles, [](const QString &) {});
    return true;
}

// Loads one table from a CSV file with psql's \copy.
void copyIn(const Target &target, const QString &table, const QString &file)
{
    QProcess psql;
    psql.start(QStringLiteral("psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-h"), target.server,
                QStringLiteral("-p"), QString::number(target.port), QStringLiteral("-d"),
                target.nameSpace.toLower(), QStringLiteral("-c"),
                QStringLiteral("\\copy %1 FROM '%2' CSV").arg(table, file)});
    if (!psql.waitForFinished(600000) || psql.exitCode() != 0)
        qFatal("psql \\copy %s: %s", qPrintable(table), psql.readAllStandardError().constData());
}

// The PostgreSQL database anew: schema, then the generated supplier's articles
// and stock loaded without statistics.
bool prepareServer(const Target &target, qint64 articles, bool force, const QTemporaryDir &dir)
{
    {
        auto engine = target.open(true);
        if (!mayReplace(*engine, target, force))
            return false;
        createSchema(*engine);
        for (const char *table : {"branch", "article", "stock"})
            engine->execScript(std::string("ALTER TABLE ") + table +
                               " SET (autovacuum_enabled = false)");
    }
    std::printf("loading %lld articles into %s with psql \\copy, no ANALYZE ...\n",
                static_cast<long long>(articles), qPrintable(target.describe()));
    QFile article(dir.filePath(QStringLiteral("article.csv")));
    QFile stock(dir.filePath(QStringLiteral("stock.csv")));
    QFile branch(dir.filePath(QStringLiteral("branch.csv")));
    if (!article.open(QIODevice::WriteOnly) || !stock.open(QIODevice::WriteOnly) ||
        !branch.open(QIODevice::WriteOnly))
        qFatal("cannot write the CSV files in %s", qPrintable(dir.path()));
    branch.write("1,0,Filiale Süd\n");
    for (qint64 i = 1; i <= articles; ++i) {
        const QByteArray number = QByteArray::number(i).rightJustified(7, '0');
        // An unquoted empty field would be NULL to COPY.
        const QByteArray ean =
            i % 10 == 0 ? QByteArray("\"\"") : '2' + QByteArray::number(i).rightJustified(12, '0');
        article.write("1,999-" + number + ",999,Testartikel " + QByteArray::number(i) +
                      " Größe M," + ean + '\n');
        stock.write("1,0,999-" + number + ',' + QByteArray::number(i % 100) + '\n');
    }
    article.close();
    stock.close();
    branch.close();
    copyIn(target, QStringLiteral("branch"), branch.fileName());
    copyIn(target, QStringLiteral("article (firm, article_no, supplier_no, description, ean)"),
           article.fileName());
    copyIn(target, QStringLiteral("stock"), stock.fileName());
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption articles(QStringLiteral("articles"), QStringLiteral("articles"),
                                      QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption database(QStringLiteral("database"), QStringLiteral("file"),
                                      QStringLiteral("file"));
    const QCommandLineOption server(QStringLiteral("server"), QStringLiteral("host"),
                                    QStringLiteral("host"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("port"),
                                  QStringLiteral("port"), QStringLiteral("5432"));
    const QCommandLineOption repeat(QStringLiteral("repeat"), QStringLiteral("runs of each"),
                                    QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("drop and reload a database it did not create"));
    parser.addOptions({articles, database, server, port, repeat, force});
    parser.addHelpOption();
    parser.process(app);

    QTemporaryDir dir;
    Target target;
    target.file =
        parser.isSet(database) ? parser.value(database) : dir.filePath(QStringLiteral("bench.db"));
    target.server = parser.value(server);
    target.port = parser.value(port).toInt();
    const qint64 count = parser.value(articles).toLongLong();
    const bool prepared = target.isServer() ? prepareServer(target, count, parser.isSet(force), dir)
                                            : prepareFile(target, count, parser.isSet(force));
    if (!prepared)
        return 2;
    // psql plans as the component does; left to the statistics it would
    // not finish on a database that was never analysed.
    qputenv("PGOPTIONS", "-c enable_nestloop=off");
    shell(target); // warm the page cache for both

    double best = 1e9;
    double bestShell = 1e9;
    qint64 rows = 0;
    const qint64 residentBefore = statusKilobytes("VmRSS:");
    for (int i = 0; i < parser.value(repeat).toInt(); ++i) {
        const Run run = component(target);
        best = std::min(best, run.seconds);
        rows = run.rows;
        bestShell = std::min(bestShell, shell(target));
    }
    const qint64 peakAbove = statusKilobytes("VmHWM:") - residentBefore;
    std::printf("stock query, %lld rows, %s (best of %d)\n", static_cast<long long>(rows),
                target.isServer() ? "PostgreSQL, no statistics" : "SQLite",
                parser.value(repeat).toInt());
    std::printf("  component, execute and step every row reading column 1: %.3f s\n", best);
    std::printf("  %s writing the same rows as CSV:              %.3f s\n",
                target.isServer() ? "psql \\copy" : "sqlite3    ", bestShell);
    std::printf("  ratio component / shell: %.2f (goal: at most 1.2)\n", best / bestShell);
    std::printf("  peak memory above the start of the runs: %.1f MB\n", double(peakAbove) / 1024.0);
    return rows == count ? 0 : 1;
}
