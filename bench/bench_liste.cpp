// Times the stock query through the data server component against the engine's
// own shell writing the same rows as CSV, on a supplier with many articles.
//
//   bench_liste [--articles N] [--database FILE | --server HOST --port PORT]
//
// The database is created with tolvan-db's demo data (supplier 999 with N
// articles) unless it already holds them.

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

const char *const ShellQuery =
    "SELECT a.article_no, a.description, a.ean, COALESCE(s.quantity, 0) "
    "FROM article a LEFT JOIN stock s "
    "ON s.firm = a.firm AND s.branch = '0' AND s.article_no = a.article_no "
    "WHERE a.firm = '1' AND a.supplier_no = '999' ORDER BY a.article_no";

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
    return shellSeconds(target, QLatin1String(ShellQuery), QProcess::nullDevice());
}

// Makes the database hold `articles` generated articles. It drops and loads
// only a database it created itself (marked in tolvan_meta), or any with --force.
bool prepare(const Target &target, qint64 articles, bool force)
{
    auto engine = target.open(true);
    const bool ours =
        schema::exists(*engine) &&
        engine->scalar("SELECT value FROM tolvan_meta WHERE key = 'created_by'") == u"bench_liste";
    if (schema::exists(*engine) && !ours && !force) {
        std::fprintf(stderr,
                     "%s holds a database that bench_liste did not create; --force drops and "
                     "reloads it\n",
                     qPrintable(target.describe()));
        return false;
    }
    if (ours && engine->scalar("SELECT count(*) FROM article WHERE supplier_no = '999'") ==
                    QString::number(articles))
        return true;
    std::printf("creating %lld articles in %s ...\n", static_cast<long long>(articles),
                qPrintable(target.describe()));
    Transaction transaction(*engine);
    if (schema::exists(*engine))
        schema::drop(*engine);
    schema::create(*engine);
    loadDemoData(*engine, articles, [](const QString &) {});
    engine->exec("INSERT INTO tolvan_meta (key, value) VALUES ('created_by', 'bench_liste')");
    transaction.commit();
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
    if (!prepare(target, count, parser.isSet(force)))
        return 2;
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
                target.isServer() ? "PostgreSQL" : "SQLite", parser.value(repeat).toInt());
    std::printf("  component, execute and step every row reading column 1: %.3f s\n", best);
    std::printf("  %s writing the same rows as CSV:              %.3f s\n",
                target.isServer() ? "psql   " : "sqlite3", bestShell);
    std::printf("  ratio component / shell: %.2f\n", best / bestShell);
    std::printf("  peak memory above the start of the runs: %.1f MB\n", double(peakAbove) / 1024.0);
    return rows == count ? 0 : 1;
}
