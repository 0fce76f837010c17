// tolvan-db as an administrator runs it.

#include "Engine.h"
#include "Factory.h"
#include "ServerError.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestAdmin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void demoOnANewFile();
    void refusesToOverwriteWithoutForce();
    void forceAndTheConnectionLog_data();
    void forceAndTheConnectionLog();
    void generatedSupplier();
    void commandLineAndFailures();
    void helpIsGerman_data();
    void helpIsGerman();
    void demoAndUpgradeGatherStatistics();
    void upgradeFromSchema1();
    void reloadWhileTheProgramReads_data();
    void reloadWhileTheProgramReads();
    void postgresServer();

private:
    struct Run {
        int exitCode;
        QString out;
        QString err;
    };
    Run tolvanDb(const QStringList &arguments);

    QTemporaryDir m_dir;
};

TestAdmin::Run TestAdmin::tolvanDb(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TOLVAN_DB), arguments);
    if (!process.waitForFinished(120000))
        return {-1, {}, QStringLiteral("tolvan-db did not finish")};
    // A Windows console program ends its lines with CR LF.
    const auto text = [](const QByteArray &bytes) {
        return QString::fromUtf8(bytes).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    };
    return {process.exitCode(), text(process.readAllStandardOutput()),
            text(process.readAllStandardError())};
}

void TestAdmin::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestAdmin::demoOnANewFile()
{
    const QString file = m_dir.filePath("neu/demo.db");
    const Run demo = tolvanDb({"demo", "--database", file});
    QCOMPARE(demo.exitCode, 0);
    QVERIFY2(demo.out.contains("Personalcode DEMO"), qPrintable(demo.out));
    const Run show = tolvanDb({"show", "--database", file});
    QCOMPARE(show.exitCode, 0);
    QVERIFY(show.out.contains("Müller & Söhne Haushaltswaren KG"));
    QVERIFY(show.out.contains("100-0005 | Geschenkgutschein 10 € |  | 0"));
    const Run year = tolvanDb({"xecute", "--database", file, "W $P(^FA(0),\"`\",2)"});
    QCOMPARE(year.out, "2026\n");
    // It holds the users' passwords: the owner's alone, its log too.
    if (QSysInfo::kernelType() != QLatin1String("winnt")) {
        for (const QString &name : {file, file + "-wal"})
            if (QFile::exists(name))
                QCOMPARE(QFile::permissions(name) & ~(QFile::ReadUser | QFile::WriteUser |
                                                      QFile::ExeUser | QFile::ExeOwner),
                         QFile::ReadOwner | QFile::WriteOwner);
    }
}

void TestAdmin::refusesToOverwriteWithoutForce()
{
    const QString file = m_dir.filePath("bestand.db");
    QCOMPARE(tolvanDb({"demo", "--database", file}).exitCode, 0);
    const Run again = tolvanDb({"demo", "--database", file});
    QCOMPARE(again.exitCode, 1);
    QVERIFY2(again.err.contains("--force"), qPrintable(again.err));
    const Run init = tolvanDb({"init", "--database", file});
    QCOMPARE(init.exitCode, 1);
    QVERIFY(tolvanDb({"show", "--database", file}).out.contains("Nordwind"));

    QCOMPARE(tolvanDb({"init", "--database", file, "--force"}).exitCode, 0);
    QVERIFY(!tolvanDb({"show", "--database", file}).out.contains("Nordwind"));
    QCOMPARE(tolvanDb({"demo", "--database", file}).exitCode, 0); // schema without data
    QCOMPARE(tolvanDb({"demo", "--database", file, "--force"}).exitCode, 0);
}

void TestAdmin::forceAndTheConnectionLog_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("schema1");
    QTest::addColumn<QString>("logRows");
    QTest::newRow("demo keeps the log") << "demo" << false << "1";
    QTest::newRow("demo on schema 1 drops it") << "demo" << true << "0";
    QTest::newRow("init drops it") << "init" << false << "0";
}

void TestAdmin::forceAndTheConnectionLog()
{
    QFETCH(QString, command);
    QFETCH(bool, schema1);
    QFETCH(QString, logRows);
    const QString file =
        m_dir.filePath(QStringLiteral("protokoll-%1.db").arg(QTest::currentDataTag()));
    QCOMPARE(tolvanDb({"demo", "--database", file}).exitCode, 0);
    {
        auto engine = tolvan::openSqlite(file, false);
        engine->exec("INSERT INTO connection_log (connected_at, firm, branch, personnel) "
                     "VALUES ('2025-12-31T23:59:59Z', '1', '0', 'ALT')");
        engine->exec(
            "INSERT INTO supplier (firm, supplier_no, name) VALUES ('1', '900', 'Alt KG')");
        if (schema1) {
            engine->execScript("DROP TABLE branch");
            engine->exec("UPDATE tolvan_meta SET value = '1' WHERE key = 'schema'");
        }
    }
    QCOMPARE(tolvanDb({command, "--database", file, "--force"}).exitCode, 0);
    auto engine = tolvan::openSqlite(file, false);
    QCOMPARE(engine->scalar("SELECT count(*) FROM supplier WHERE supplier_no = '900'"), "0");
    QCOMPARE(engine->scalar("SELECT count(*) FROM connection_log"), logRows);
}

void TestAdmin::generatedSupplier()
{
    const QString file = m_dir.filePath("viel.db");
    QCOMPARE(tolvanDb({"demo", "--database", file, "--articles", "1234"}).exitCode, 0);
    const Run show = tolvanDb({"show", "--database", file});
    QVERIFY2(show.out.contains("... 1234 Artikel insgesamt"), qPrintable(show.out));
}

void TestAdmin::commandLineAndFailures()
{
    QCOMPARE(tolvanDb({}).exitCode, 2);
    QCOMPARE(tolvanDb({"drop"}).exitCode, 2);
    QCOMPARE(tolvanDb({"demo", "--articles", "viele"}).exitCode, 2);
    for (const char *command : {"demo", "init", "show"}) {
        const Run empty = tolvanDb({command, "--database", ""});
        QCOMPARE(empty.exitCode, 2);
        QVERIFY2(empty.err.contains("--database braucht einen Dateinamen"), qPrintable(empty.err));
        QCOMPARE(tolvanDb({command, "--server", "127.0.0.1", "--namespace", "tol-van"}).exitCode,
                 2);
    }
    const QString missing = m_dir.filePath("fehlt.db");
    const Run absent = tolvanDb({"show", "--database", missing});
    QCOMPARE(absent.exitCode, 1);
    // Which file and how it is made, in lines of a console's (no CR of a message box).
    QVERIFY2(absent.err.contains(QDir::toNativeSeparators(missing) + " existiert nicht.\n") &&
                 absent.err.contains("„tolvan-db demo --database") && !absent.err.contains('\r'),
             qPrintable(absent.err));
    QVERIFY(!QFile::exists(missing));
    const Run bad = tolvanDb({"xecute", "--database", m_dir.filePath("bestand.db"), "W NIX"});
    QCOMPARE(bad.exitCode, 1);
    QVERIFY2(bad.err.contains("<UNDEFINED>"), qPrintable(bad.err));
}

void TestAdmin::helpIsGerman_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("--help") << QStringList{"--help"} << 0;
    QTest::newRow("-h") << QStringList{"-h"} << 0;
    QTest::newRow("no command") << QStringList{} << 2;
    QTest::newRow("unknown option") << QStringList{"show", "--datenbank", "x"} << 2;
    QTest::newRow("option without its value") << QStringList{"show", "--port"} << 2;
}

void TestAdmin::helpIsGerman()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    const Run run = tolvanDb(arguments);
    QCOMPARE(run.exitCode, exitCode);
    const QString text = run.out + run.err;
    for (const char *german : {"Aufruf: tolvan-db", "Befehle:", "upgrade", "Optionen:", "--force"})
        QVERIFY2(text.contains(german), qPrintable(text));
    for (const char *english : {"Usage", "Options:", "Arguments:", "Displays", "Unknown"})
        QVERIFY2(!text.contains(english), qPrintable(text));
    if (QByteArray(QTest::currentDataTag()) == "unknown option")
        QVERIFY2(text.startsWith("Unbekannte Option: datenbank\n"), qPrintable(text));
}

void TestAdmin::demoAndUpgradeGatherStatistics()
{
    // The engine plans with statistics; a fresh load has none until ANALYZE.
    const QString file = m_dir.filePath("statistik.db");
    const auto statistics = [&file] {
        auto engine = tolvan::openSqlite(file, false);
        return engine->scalar("SELECT count(*) FROM sqlite_master WHERE name = 'sqlite_stat1'");
    };
    QCOMPARE(tolvanDb({"demo", "--database", file}).exitCode, 0);
    QCOMPARE(statistics(), "1");
    {
        auto engine = tolvan::openSqlite(file, false);
        engine->execScript("DROP TABLE sqlite_stat1");
        engine->execScript("DROP TABLE branch");
        engine->exec("UPDATE tolvan_meta SET value = '1' WHERE key = 'schema'");
    }
    QCOMPARE(statistics(), "0");
    QCOMPARE(tolvanDb({"upgrade", "--database", file}).exitCode, 0);
    QCOMPARE(statistics(), "1");
}

void TestAdmin::upgradeFromSchema1()
{
    const QString file = m_dir.filePath("alt.db");
    QCOMPARE(tolvanDb({"demo", "--database", file}).exitCode, 0);
    {
        auto engine = tolvan::openSqlite(file, false);
        engine->execScript("DROP TABLE branch");
        engine->exec("UPDATE tolvan_meta SET value = '1' WHERE key = 'schema'");
    }
    qputenv("TOLVAN_DATABASE", file.toLocal8Bit());
    tolvan::Factory factory;
    QVERIFY(!factory.connect("cn_iptcp:[1972]:TOLVAN"));
    QVERIFY2(factory.lastConnectError().contains("tolvan-db upgrade"),
             qPrintable(factory.lastConnectError()));
    const Run show = tolvanDb({"show", "--database", file});
    QCOMPARE(show.exitCode, 1);
    QVERIFY2(show.err.contains("upgrade"), qPrintable(show.err));

    const Run upgrade = tolvanDb({"upgrade", "--database", file});
    QCOMPARE(upgrade.exitCode, 0);
    QVERIFY2(upgrade.out.contains("Schema 2"), qPrintable(upgrade.out));
    QVERIFY2(upgrade.out.contains("  1 0\n  1 1\n  2 0\n"), qPrintable(upgrade.out));
    QVERIFY(factory.connect("cn_iptcp:[1972]:TOLVAN"));
    QVERIFY(tolvanDb({"show", "--database", file}).out.contains("100-0005 | Geschenkgutschein"));
    QVERIFY(tolvanDb({"upgrade", "--database", file}).out.contains("aktuell"));
}

void TestAdmin::reloadWhileTheProgramReads_data()
{
    QTest::addColumn<bool>("postgres");
    QTest::newRow("SQLite") << false;
    QTest::newRow("PostgreSQL") << true;
}

void TestAdmin::reloadWhileTheProgramReads()
{
    QFETCH(bool, postgres);
    QStringList target;
    QString connectString = "cn_iptcp:[1972]:TOLVAN";
    const QString database = QStringLiteral("TOLVAN_R%1").arg(QCoreApplication::applicationPid());
    if (postgres) {
        if (qEnvironmentVariable("PGHOST").isEmpty())
            QSKIP("no PostgreSQL server");
        if (QStandardPaths::findExecutable("psql").isEmpty())
            QSKIP("no psql on this system to create the test database");
        QProcess::execute(
            "psql", {"-X", "-q", "-d", "postgres", "-c", "CREATE DATABASE " + database.toLower()});
        target = {"--server",    qEnvironmentVariable("PGHOST"),
                  "--port",      qEnvironmentVariable("PGPORT"),
                  "--namespace", database};
        connectString =
            QStringLiteral("cn_iptcp:%1[%2]:%3")
                .arg(qEnvironmentVariable("PGHOST"), qEnvironmentVariable("PGPORT"), database);
    } else {
        const QString file = m_dir.filePath("nachladen.db");
        target = {"--database", file};
        qputenv("TOLVAN_DATABASE", file.toLocal8Bit());
    }
    QCOMPARE(tolvanDb(QStringList{"demo"} + target).exitCode, 0);

    // While the data are dropped and loaded again, every answer is the old
    // data or the new: never an empty one, never "no TOLVAN database".
    QProcess reload;
    reload.start(QStringLiteral(TOLVAN_DB),
                 QStringList{"demo", "--force", "--articles", "30000"} + target);
    QVERIFY(reload.waitForStarted());
    int answers = 0;
    QStringList wrong;
    while (reload.state() != QProcess::NotRunning || answers == 0) {
        tolvan::Factory factory;
        try {
            if (!factory.connect(connectString)) {
                wrong << factory.lastConnectError();
            } else {
                QString firm = "1";
                const QString name = factory.createObject("DRAVONIK.Lager")
                                         ->call("LName", {tolvan::Arg::ref(firm), "100"})
                                         .toString();
                if (name != u"Nordwind Spielwaren GmbH")
                    wrong << "LName: " + name;
            }
        } catch (const tolvan::ServerError &error) {
            wrong << error.description();
        }
        ++answers;
        reload.waitForFinished(5);
    }
    QCOMPARE(reload.exitCode(), 0);
    QVERIFY2(wrong.isEmpty(), qPrintable(QString::number(wrong.size()) + " of " +
                                         QString::number(answers) + ": " + wrong.value(0)));
    if (postgres)
        QProcess::execute("psql", {"-X", "-q", "-d", "postgres", "-c",
                                   "DROP DATABASE " + database.toLower() + " WITH (FORCE)"});
}

void TestAdmin::postgresServer()
{
    if (qEnvironmentVariable("PGHOST").isEmpty()) {
        if (qEnvironmentVariable("TOLVAN_TEST_POSTGRES") == u"1")
            QFAIL("PostgreSQL was promised but PGHOST is not set");
        QSKIP("no PostgreSQL server: run ./test");
    }
    const QString database = QStringLiteral("TOLVAN_A%1").arg(QCoreApplication::applicationPid());
    const QStringList server{"--server",    qEnvironmentVariable("PGHOST"),
                             "--port",      qEnvironmentVariable("PGPORT"),
                             "--namespace", database};
    if (QStandardPaths::findExecutable("psql").isEmpty())
        QSKIP("no psql on this system to create the test database");
    QProcess::execute(
        "psql", {"-X", "-q", "-d", "postgres", "-c", "CREATE DATABASE " + database.toLower()});
    const Run demo = tolvanDb(QStringList{"demo", "--articles", "500"} + server);
    QCOMPARE(demo.exitCode, 0);
    QProcess analyzed;
    analyzed.start("psql", {"-X", "-q", "-t", "-A", "-d", database.toLower(), "-c",
                            "SELECT count(*) FROM pg_stat_user_tables WHERE relname = 'article' "
                            "AND last_analyze IS NOT NULL"});
    QVERIFY(analyzed.waitForFinished());
    QCOMPARE(analyzed.readAllStandardOutput().trimmed(), "1");
    QCOMPARE(tolvanDb(QStringList{"demo"} + server).exitCode, 1);
    const Run show = tolvanDb(QStringList{"show"} + server);
    QVERIFY2(show.out.contains("... 500 Artikel insgesamt"), qPrintable(show.out + show.err));
    QProcess::execute("psql", {"-X", "-q", "-d", "postgres", "-c",
                               "DROP DATABASE " + database.toLower() + " WITH (FORCE)"});
}

QTEST_GUILESS_MAIN(TestAdmin)
#include "tst_admin.moc"
