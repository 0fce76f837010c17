// tolvan-db: creates the schema, loads demo data and looks into a TOLVAN database.

#include "ConnectString.h"
#include "ConsoleOutput.h"
#include "DemoData.h"
#include "Engine.h"
#include "Factory.h"
#include "Schema.h"
#include "ServerError.h"
#include "Target.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

using namespace tolvan;

namespace {

QTextStream &out()
{
    static ConsoleStream stream(ConsoleOutput::Output);
    return stream;
}

QTextStream &err()
{
    static ConsoleStream stream(ConsoleOutput::Error);
    return stream;
}

int refuse(const Target &target, const QString &what)
{
    err() << target.describe() << ": " << what << Qt::endl;
    return 1;
}

int init(const Target &target, bool force)
{
    auto engine = target.open(true);
    // Readers see the old tables or the new ones, never none.
    Transaction transaction(*engine);
    if (schema::exists(*engine)) {
        if (!force)
            return refuse(target, QStringLiteral("Das Schema existiert bereits. Mit --force wird "
                                                 "es samt allen Daten neu angelegt."));
        schema::drop(*engine);
        out() << "Schema und Daten gelöscht." << Qt::endl;
    }
    schema::create(*engine);
    transaction.commit();
    out() << target.describe() << ": Schema angelegt." << Qt::endl;
    return 0;
}

int loadDemo(const Target &target, bool force, qint64 articles)
{
    auto engine = target.open(true);
    const auto progress = [](const QString &line) { out() << line << Qt::endl; };
    if (schema::exists(*engine) && schema::hasData(*engine)) {
        if (!force)
            return refuse(target,
                          QStringLiteral("Die Datenbank enthält bereits Daten. Mit "
                                         "--force werden sie durch die Demodaten ersetzt."));
        replaceWithDemoData(*engine, articles, progress);
    } else {
        Transaction transaction(*engine);
        if (!schema::exists(*engine)) {
            schema::create(*engine);
            out() << target.describe() << ": Schema angelegt." << Qt::endl;
        }
        loadDemoData(*engine, articles, progress);
        transaction.commit();
    }
    // A fresh load has no statistics yet; plan the first queries with some.
    schema::analyze(*engine);
    out() << target.describe() << ": Anmeldung mit Personalcode " << demo::User << ", Passwort "
          << demo::Password << ", Firma " << demo::Firm << ", Filiale " << demo::Branch << "."
          << Qt::endl;
    return 0;
}

bool connectTo(Factory &factory, const Target &target)
{
    if (!target.isServer())
        useEmbeddedDatabase(target.file);
    if (factory.connect(target.connectString()))
        return true;
    err() << target.describe() << ": " << factory.lastConnectError() << Qt::endl;
    return false;
}

// The stock list of one supplier as the program receives it, at most `limit` rows.
void showStock(Factory &factory, QString firm, QString branch, const QString &supplier, int limit)
{
    QVariant key =
        factory.createObject(QStringLiteral("DRAVONIK.Lager"))
            ->call(QStringLiteral("liste"), {Arg::ref(firm), Arg::ref(branch), supplier});
    auto rows = factory.openClassQuery(QStringLiteral("TV.XW"), QStringLiteral("Liste"));
    rows->execute(key);
    int count = 0;
    while (rows->next()) {
        if (++count <= limit)
            out() << "      " << rows->data(1).toString().split(u'\n').join(QStringLiteral(" | "))
                  << Qt::endl;
    }
    rows->close();
    if (count > limit)
        out() << "      ... " << count << " Artikel insgesamt" << Qt::endl;
}

int upgrade(const Target &target)
{
    auto engine = target.open(false);
    if (schema::upgrade(*engine)) {
        schema::analyze(*engine);
        out() << target.describe() << ": auf das Schema " << schema::Version << " gebracht."
              << Qt::endl
              << "Filialen, übernommen aus dem Lagerbestand (Firma Filiale):" << Qt::endl;
        auto branches = engine->query("SELECT firm, branch FROM branch ORDER BY firm, branch");
        while (branches->next())
            out() << "  " << branches->text(0) << " " << branches->text(1) << Qt::endl;
        out() << "Eine Filiale ohne Lagerbestand fehlt hier, und ihre Bestandsliste bleibt leer, "
                 "bis sie eingetragen ist:"
              << Qt::endl
              << "  INSERT INTO branch (firm, branch, name) VALUES ('1', '5', 'Filiale …');"
              << Qt::endl;
        return 0;
    }
    const QString problem = schema::problem(*engine);
    if (!problem.isEmpty())
        return refuse(target, problem);
    out() << target.describe() << ": Das Schema ist aktuell." << Qt::endl;
    return 0;
}

int show(const Target &target)
{
    auto engine = target.open(false);
    const QString problem = schema::problem(*engine);
    if (!problem.isEmpty())
        return refuse(target, problem);
    Factory factory;
    if (!connectTo(factory, target))
        return 1;
    out() << target.describe() << Qt::endl
          << Qt::endl
          << "Benutzer (Firma, Personalcode, Name, aktiv):" << Qt::endl;
    auto users = engine->query("SELECT firm, personnel_code, pname, aktiv FROM par_pers_edv "
                               "ORDER BY firm, personnel_code");
    while (users->next())
        out() << "  " << users->text(0) << "  " << users->text(1) << "  " << users->text(2) << "  "
              << users->text(3) << Qt::endl;
    out() << Qt::endl
          << "Lieferanten mit Lagerbestand der Filiale " << demo::Branch << ":" << Qt::endl;
    auto suppliers = engine->query("SELECT firm, supplier_no, name FROM supplier "
                                   "ORDER BY firm, supplier_no");
    QList<QStringList> list;
    while (suppliers->next())
        list << QStringList{suppliers->text(0), suppliers->text(1), suppliers->text(2)};
    for (const QStringList &supplier : list) {
        out() << "  Firma " << supplier[0] << ", Lieferant " << supplier[1] << ": " << supplier[2]
              << Qt::endl;
        showStock(factory, supplier[0], QString::fromLatin1(demo::Branch), supplier[1], 5);
    }
    return 0;
}

int xecute(const Target &target, const QString &line)
{
    Factory factory;
    if (!connectTo(factory, target))
        return 1;
    auto windows = factory.createObject(QStringLiteral("TV.Windows"));
    out() << windows->call(QStringLiteral("Xecute"), {line}).toString() << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tolvan-db"));

    // The help is written here, in German throughout: Qt's own help text has
    // English headings.
    const QString help = QStringLiteral(
        "Aufruf: tolvan-db BEFEHL [Optionen]\n"
        "Verwaltet eine TOLVAN-Datenbank.\n\n"
        "Befehle:\n"
        "  init              legt das Schema an\n"
        "  demo              lädt die Demodaten (legt das Schema an, wenn es fehlt)\n"
        "  show              zeigt Benutzer, Lieferanten und Lagerbestände\n"
        "  upgrade           bringt eine ältere Datenbank auf das aktuelle Schema\n"
        "  xecute ZEILE      führt eine M-Befehlszeile aus und zeigt, was sie schreibt\n\n"
        "Optionen:\n"
        "  --database DATEI  die eingebettete Datenbankdatei\n"
        "  --server HOST     der PostgreSQL-Server\n"
        "  --port PORT       sein Port (5432)\n"
        "  --namespace NAME  der Namespace = Datenbankname (TOLVAN)\n"
        "  --articles N      demo: ein weiterer Lieferant mit N Artikeln\n"
        "  --force           init, demo: vorhandene Daten ersetzen\n"
        "  -h, --help        zeigt diese Hilfe\n");
    QCommandLineParser parser;
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption database(QStringLiteral("database"), QString(),
                                      QStringLiteral("datei"));
    const QCommandLineOption server(QStringLiteral("server"), QString(), QStringLiteral("host"));
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("port"),
                                  QStringLiteral("5432"));
    const QCommandLineOption nameSpace(QStringLiteral("namespace"), QString(),
                                       QStringLiteral("name"), QStringLiteral("TOLVAN"));
    const QCommandLineOption articles(QStringLiteral("articles"), QString(), QStringLiteral("n"),
                                      QStringLiteral("0"));
    const QCommandLineOption force(QStringLiteral("force"));
    parser.addOptions({helpOption, database, server, port, nameSpace, articles, force});
    if (!parser.parse(QCoreApplication::arguments())) {
        if (!parser.unknownOptionNames().isEmpty())
            err() << "Unbekannte Option: "
                  << parser.unknownOptionNames().join(QStringLiteral(", "));
        else
            err() << "Einer Option fehlt ihr Wert.";
        err() << Qt::endl << help;
        return 2;
    }
    if (parser.isSet(helpOption)) {
        out() << help;
        return 0;
    }

    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0);
    Target target;
    target.file = parser.isSet(database) ? parser.value(database) : embeddedDatabasePath();
    target.server = parser.value(server);
    target.nameSpace = parser.value(nameSpace);
    bool numbers = true;
    target.port = parser.value(port).toInt(&numbers);
    bool articlesOk = true;
    const qint64 articleCount = parser.value(articles).toLongLong(&articlesOk);
    if (!numbers || !articlesOk || articleCount < 0 || target.port < 1 || target.port > 65535) {
        err() << "Port und Artikelzahl müssen Zahlen sein." << Qt::endl;
        return 2;
    }
    // An empty path would be SQLite's private temporary database: written, then gone.
    if (parser.isSet(database) && target.file.isEmpty()) {
        err() << "--database braucht einen Dateinamen." << Qt::endl;
        return 2;
    }
    // One rule for every command: the namespace as the program's connection string takes it.
    if (!isValidNamespace(target.nameSpace)) {
        err() << "Ungültiger Namespace \"" << target.nameSpace
              << "\": ein Buchstabe, dann Buchstaben, Ziffern oder \"_\"." << Qt::endl;
        return 2;
    }

    try {
        if (command == u"init" && arguments.size() == 1)
            return init(target, parser.isSet(force));
        if (command == u"demo" && arguments.size() == 1)
            return loadDemo(target, parser.isSet(force), articleCount);
        if (command == u"show" && arguments.size() == 1)
            return show(target);
        if (command == u"upgrade" && arguments.size() == 1)
            return upgrade(target);
        if (command == u"xecute" && arguments.size() == 2)
            return xecute(target, arguments[1]);
    } catch (const ServerError &error) {
        // (a description's lines end as a message box wants them, CR LF)
        err() << "Fehler " << error.number() << ": "
              << QString(error.description()).replace(QLatin1String("\r\n"), QLatin1String("\n"))
              << Qt::endl;
        return 1;
    }
    err() << help;
    return 2;
}
