// The export without a window, run in this process so that the waits between
// connection attempts pass on a fake clock: every exit status and its message.

#include "FakeClock.h"
#include "HeadlessExport.h"
#include "IniSettingsStore.h"
#include "Engine.h"
#include "TestDatabase.h"
#include "TextUtils.h"

#include <QDir>
#include <QThread>
#include <atomic>
#include <thread>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace tolvan;

class TestHeadless : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void statuses_data();
    void statuses();
    void storedLoginIsUsed();
    void onlyItsOwnOptionsAskForIt();
    void help();
    void replacesALinkNotItsTarget();
    void aStoredPortThatCannotBeRight();
    void aFullServerIsWaitedFor();
    void aServerFullForTooLong();
    void serverTroubleIsNotARefusedLogin_data();
    void serverTroubleIsNotARefusedLogin();

private:
    int run(const QStringList &arguments);

    // The program always asks a PostgreSQL server for the database "tolvan".
    TestDatabase m_db{QStringLiteral("tolvan")};
    QTemporaryDir m_folder;
    std::unique_ptr<IniSettingsStore> m_settings;
    std::unique_ptr<QTemporaryDir> m_settingsFolder;
    QString m_out, m_messages;
};

void TestHeadless::initTestCase()
{
    TOLVAN_REQUIRE_DATABASE(m_db);
}

void TestHeadless::init()
{
    m_settingsFolder = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<IniSettingsStore>(m_settingsFolder->path());
    SettingsStore::install(m_settings.get());
    qunsetenv("TOLVAN_PASSWORD");
    SaveSetting({"Cache Login", "Login", "Server"}, m_db.serverAddress());
    SaveSetting({"Cache Login", "Login", "Port"}, m_db.port());
    m_out.clear();
    m_messages.clear();
}

void TestHeadless::cleanup()
{
    SettingsStore::install(nullptr);
}

int TestHeadless::run(const QStringList &arguments)
{
    QTextStream out(&m_out);
    QTextStream messages(&m_messages);
    return headless::run(arguments, out, messages);
}

void TestHeadless::statuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QStringList file{"--export", "FILE"};
    const QStringList job = file + QStringList{"--supplier", "100", "--location", "L"};
    QTest::newRow("written") << job + QStringList{"1", "0", "DEMO", "demo", "SERVER", "PORT"} << 0
                             << "5 Artikel gelistet, 3 Zeilen geschrieben: FILE";
    // (on Windows a trailing blank arrives as an empty last argument)
    QTest::newRow("a blank at the end of the call, no fields")
        << job + QStringList{""} << 3 << "Anmeldung an Caché: Personalcode oder Passwort fehlt.";
    QTest::newRow("no file") << QStringList{"--supplier", "100", "--location", "L"} << 2
                             << "--export DATEI fehlt.";
    QTest::newRow("no supplier") << file + QStringList{"--location", "L"} << 2
                                 << "--supplier NUMMER fehlt.";
    QTest::newRow("empty location")
        << file + QStringList{"--supplier", "1", "--location", ""} << 2 << "--location TEXT fehlt.";
    // Each line of the file ends in CR LF: a line break in the location would split one.
    QTest::newRow("a line feed in the location")
        << file +
               QStringList{"--supplier", "100", "--location", "Regal\n7", "1", "0", "DEMO", "demo"}
        << 2 << "Der Lagerort darf keinen Zeilenumbruch enthalten.";
    QTest::newRow("a carriage return in the location")
        << file +
               QStringList{"--supplier", "100", "--location", "Regal 7\r", "1", "0", "DEMO", "demo"}
        << 2 << "Der Lagerort darf keinen Zeilenumbruch enthalten.";
    QTest::newRow("unknown option")
        << job + QStringList{"--force"} << 2 << "Unbekannte Option: force";
    QTest::newRow("option without value")
        << QStringList{"--export"} << 2 << "Einer Option fehlt ihr Wert.";
    QTest::newRow("firm not a number") << job + QStringList{"x1", "0", "DEMO", "demo"} << 2
                                       << "Das erste Anmeldefeld, die Firma, muss eine Zahl sein.";
    QTest::newRow("a field with a blank") << job + QStringList{"1", "0", "DEMO", "de mo"} << 2
                                          << "Ein Anmeldefeld darf keine Leerzeichen enthalten.";
    QTest::newRow("nine fields") << job + QStringList{"1", "0", "D", "d", "", "1", "N", "W", "X"}
                                 << 2 << "Höchstens acht Anmeldefelder";
    QTest::newRow("wrong password")
        << job + QStringList{"1", "0", "DEMO", "Demo", "SERVER", "PORT"} << 3
        << "Anmeldung an Caché.: Passwort Falsch oder Benutzer nicht Aktiv.";
    QTest::newRow("unknown personnel code")
        << job + QStringList{"1", "0", "NIEMAND", "x", "SERVER", "PORT"} << 3
        << "Caché Zugriffsfehler: Vorgang: Anmeldung mit nicht existierendem Personalcode.";
    QTest::newRow("no login data anywhere")
        << job << 3 << "Anmeldung an Caché: Personalcode oder Passwort fehlt.";
    QTest::newRow("supplier unknown")
        << file + QStringList{"--supplier", "777", "--location", "L", "1", "0", "DEMO", "demo", "SERVER", "PORT"} << 4
        << "TOLVAN Dravonik-Export: Lieferant nicht gespeichert";
    QTest::newRow("unknown branch")
        << job + QStringList{"1", "7", "DEMO", "demo", "SERVER", "PORT"} << 7
        << "TOLVAN Dravonik-Export: Filiale 7 ist in Firma 1 nicht gespeichert";
    QTest::newRow("a branch with a line feed")
        << job + QStringList{"1", "0\n", "DEMO", "demo", "SERVER", "PORT"} << 7
        << "ist in Firma 1 nicht gespeichert";
    QTest::newRow("branch 00 is branch 0")
        << job + QStringList{"01", "00", "DEMO", "demo", "SERVER", "PORT"} << 0
        << "5 Artikel gelistet, 3 Zeilen geschrieben";
    // A port that cannot be right is a wrong call, not 40 s of attempts.
    QTest::newRow("port not a number")
        << job + QStringList{"1", "0", "DEMO", "demo", "127.0.0.1", "x"} << 2
        << "Der Port „x“ ist keine Zahl von 1 bis 65535.";
    QTest::newRow("port 0") << job + QStringList{"1", "0", "DEMO", "demo", "127.0.0.1", "0"} << 2
                            << "Der Port „0“ ist keine Zahl von 1 bis 65535.";
    QTest::newRow("port 65536")
        << job + QStringList{"1", "0", "DEMO", "demo", "127.0.0.1", "65536"} << 2
        << "Der Port „65536“ ist keine Zahl von 1 bis 65535.";
    QTest::newRow("signed port") << job + QStringList{"1", "0", "DEMO", "demo", "127.0.0.1", "+80"}
                                 << 2 << "Der Port „+80“ ist keine Zahl";
    QTest::newRow("an address with a bracket")
        << job + QStringList{"1", "0", "DEMO", "demo", "db[1]", "5432"} << 2
        << "Die Serveradresse „db[1]“ ist ungültig.";
    QTest::newRow("wait not a number")
        << job + QStringList{"--wait", "x"} << 2
        << "--wait erwartet Minuten von 0 bis 1440, nicht „x“.";
    QTest::newRow("wait longer than a day")
        << job + QStringList{"--wait", "1441"} << 2 << "--wait erwartet Minuten von 0 bis 1440";
    QTest::newRow("server not reachable")
        << job + QStringList{"1", "0", "DEMO", "demo", "127.0.0.1", "1"} << 5
        << "Anmeldung an Caché: Der Server ist nicht erreichbar!";
    // A folder that does not exist: no user may write there, root included.
    const QString blocked = m_folder.filePath("fehlt/x.csv");
    QTest::newRow("file not written")
        << QStringList{"--export", blocked, "--supplier", "100",  "--location",
                       "L",        "1",     "0",          "DEMO", "demo", "SERVER", "PORT"}
        << 6
        << QStringLiteral("TOLVAN Dravonik-Export: Die Datei „%1“ konnte nicht geschrieben werden.")
               .arg(QDir::toNativeSeparators(blocked));
}

void TestHeadless::statuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    const QString file = m_folder.filePath("export.csv");
    arguments.replaceInStrings(QRegularExpression("^FILE$"), file);
    arguments.replaceInStrings(QRegularExpression("^SERVER$"), m_db.serverAddress());
    arguments.replaceInStrings(QRegularExpression("^PORT$"), m_db.port());
    message.replace("FILE", QDir::toNativeSeparators(file));
    FakeClock clock;
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("alt\r\n");
    old.close();

    QCOMPARE(run(arguments), status);
    QVERIFY2(m_messages.contains(message), qPrintable(m_messages));
    QVERIFY(m_out.isEmpty());
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    if (status == 0)
        QCOMPARE(written.readAll().count("\r\n"), 3);
    else
        QCOMPARE(written.readAll(), QByteArray("alt\r\n")); // an old file stays as it was
    if (status == 5) // both series, without the settings dialog in between
        QCOMPARE(clock.waits, QList<qint64>({10000, 10000, 10000, 10000}));
}

void TestHeadless::storedLoginIsUsed()
{
    SaveSetting({"Cache Login", "Login", "Name"}, "DEMO");
    SaveSetting({"Cache Login", "Login", "Passwort"}, XorText("demo"));
    const QString file = m_folder.filePath("gespeichert.csv");
    QCOMPARE(run({"--export", file, "--supplier", "200", "--location", "L"}), 0);
    QVERIFY2(m_messages.contains("Zeilen geschrieben"), qPrintable(m_messages));

    // A scheduled run keeps the password in the environment: it takes the
    // stored one's place, a wrong one too.
    SaveSetting({"Cache Login", "Login", "Passwort"}, XorText("falsch"));
    QCOMPARE(run({"--export", file, "--supplier", "200", "--location", "L"}), 3);
    qputenv("TOLVAN_PASSWORD", "demo");
    QCOMPARE(run({"--export", file, "--supplier", "200", "--location", "L"}), 0);
    SaveSetting({"Cache Login", "Login", "Passwort"}, "");
    QCOMPARE(run({"--export", file, "--supplier", "200", "--location", "L", "--"}), 0);
    QCOMPARE(GetSetting({"Cache Login", "Login", "Passwort"}), QString()); // nothing stored

    // The password from the environment fills an empty password field.
    m_messages.clear();
    if (!m_db.isPostgres()) // (three fields: the embedded database)
        QCOMPARE(run({"--export", file, "--supplier", "200", "--location", "L", "1", "0", "DEMO"}),
                 0);
    QCOMPARE(run({"--export", file, "--supplier", "200", "--location", "L", "1", "0", "DEMO", "",
                  m_db.serverAddress(), m_db.port()}),
             0);
}

void TestHeadless::onlyItsOwnOptionsAskForIt()
{
    QVERIFY(headless::isRequested({"--export", "x"}));
    QVERIFY(headless::isRequested({"--export=x", "--supplier=1"}));
    QVERIFY(headless::isRequested({"-h"}));
    QVERIFY(!headless::isRequested({}));
    QVERIFY(!headless::isRequested({"1", "0", "DEMO", "--geheim"}));
    QVERIFY(!headless::isRequested({"--platform", "offscreen"}));
}

void TestHeadless::help()
{
    QCOMPARE(run({"--help"}), 0);
    QVERIFY(m_out.startsWith("Aufruf: tolvan-dravonik-export --export DATEI --supplier NUMMER"));
    QVERIFY(m_out.contains("TOLVAN_PASSWORD"));
    QVERIFY(m_out.contains("steht nach --, das die Optionen beendet"));
    QVERIFY(m_messages.isEmpty());
    // As the help says: after "--" a field starting with "-" is a login field
    // (a wrong password here), not an unknown option.
    QCOMPARE(run({"--export", m_folder.filePath("x.csv"), "--supplier", "100", "--location", "L",
                  "--", "1", "0", "DEMO", "-falsch", m_db.serverAddress(), m_db.port()}),
             3);
}

void TestHeadless::replacesALinkNotItsTarget()
{
    const QString victim = m_folder.filePath("fremd.txt");
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("fremd\n");
    file.close();
    const QString link = m_folder.filePath("link.csv");
    QVERIFY(QFile::link(victim, link));
    QCOMPARE(run({"--export", link, "--supplier", "100", "--location", "L", "1", "0", "DEMO",
                  "demo", m_db.serverAddress(), m_db.port()}),
             0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(QFileInfo(link).size() > 0);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("fremd\n"));
}

void TestHeadless::aStoredPortThatCannotBeRight()
{
    SaveSetting({"Cache Login", "Login", "Name"}, "DEMO");
    SaveSetting({"Cache Login", "Login", "Passwort"}, XorText("demo"));
    SaveSetting({"Cache Login", "Login", "Port"}, "70000");
    FakeClock clock;
    QCOMPARE(run({"--export", m_folder.filePath("x.csv"), "--supplier", "100", "--location", "L"}),
             2);
    QVERIFY2(m_messages.contains("Der Port „70000“ ist keine Zahl von 1 bis 65535."),
             qPrintable(m_messages));
    QVERIFY(clock.waits.isEmpty());
    QVERIFY(!QFile::exists(m_folder.filePath("x.csv")));
}

namespace {
// While it lives, the server refuses every new connection to the database
// for want of a free slot, as a server whose connections are all taken does.
struct FullServer {
    explicit FullServer(Engine &database) : engine(database) { fill(); }
    ~FullServer() { free(); }
    void fill() { engine.exec("ALTER DATABASE tolvan CONNECTION LIMIT 0"); }
    void free() { engine.exec("ALTER DATABASE tolvan CONNECTION LIMIT -1"); }
    Engine &engine;
};
} // namespace

void TestHeadless::aFullServerIsWaitedFor()
{
    if (!m_db.isPostgres())
        QSKIP("an embedded database is never full");
    const QString file = m_folder.filePath("voll.csv");
    FakeClock clock;
    FullServer full(m_db.engine());
    clock.duringWait = [&] {
        if (clock.waits.size() == 6)
            full.free(); // a slot frees
    };
    QCOMPARE(run({"--export", file, "--supplier", "100", "--location", "L", "1", "0", "DEMO",
                  "demo", m_db.serverAddress(), m_db.port()}),
             0);
    QVERIFY2(m_messages.startsWith("5 Artikel gelistet"), qPrintable(m_messages));
    // Growing pauses, each between half and all of 1, 2, 4, 8, 15, 15 s.
    QCOMPARE(clock.waits.size(), 6);
    const QList<qint64> longest{1000, 2000, 4000, 8000, 15000, 15000};
    for (int i = 0; i < 6; ++i)
        QVERIFY2(clock.waits[i] >= longest[i] / 2 && clock.waits[i] <= longest[i],
                 qPrintable(QString::number(clock.waits[i])));
}

void TestHeadless::aServerFullForTooLong()
{
    if (!m_db.isPostgres())
        QSKIP("an embedded database is never full");
    const QString file = m_folder.filePath("voll.csv");
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("alt\r\n");
    old.close();
    FakeClock clock;
    FullServer full(m_db.engine());
    QCOMPARE(run({"--export", file, "--supplier", "100", "--location", "L", "--wait", "2", "1",
                  "0", "DEMO", "demo", m_db.serverAddress(), m_db.port()}),
             5);
    // Exactly the bound, then the last message with the server's own cause.
    qint64 waited = 0;
    for (const qint64 wait : clock.waits)
        waited += wait;
    QCOMPARE(waited, 2 * 60'000);
    QVERIFY2(m_messages.contains("Der Server ist nicht erreichbar!") &&
                 m_messages.contains("Ursache: Der Datenbankserver") &&
                 m_messages.contains("too many connections for database \"tolvan\"") &&
                 !m_messages.contains("53300"),
             qPrintable(m_messages));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("alt\r\n"));
    old.close();

    // Without patience, a full server is a failed attempt like any other.
    m_messages.clear();
    clock.waits.clear();
    QCOMPARE(run({"--export", file, "--supplier", "100", "--location", "L", "--wait", "0", "1",
                  "0", "DEMO", "demo", m_db.serverAddress(), m_db.port()}),
             5);
    QCOMPARE(clock.waits, QList<qint64>({10000, 10000, 10000, 10000}));
}

void TestHeadless::serverTroubleIsNotARefusedLogin_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("message");
    // The error report keeps its words; only the exit status tells the cause.
    QTest::newRow("during the login")
        << "par_pers_edv"
        << "Caché Zugriffsfehler: Vorgang: Anmeldung mit nicht existierendem Personalcode.";
    QTest::newRow("while the list is read") << "stock"
                                            << "Laufzeitfehler '1009':";
}

void TestHeadless::serverTroubleIsNotARefusedLogin()
{
    if (!m_db.isPostgres())
        QSKIP("ends a PostgreSQL server's session");
    QFETCH(QString, table);
    QFETCH(QString, message);
    const QString file = m_folder.filePath("abbruch.csv");
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("alt\r\n");
    old.close();
    // Another session holds the table; an administrator ends the export's
    // session while it waits for it.
    auto locker = openPostgres(m_db.serverAddress(), m_db.port().toInt(), "tolvan");
    locker->exec("BEGIN");
    locker->exec("LOCK TABLE " + table.toStdString() + " IN ACCESS EXCLUSIVE MODE");
    std::atomic<bool> terminated = false;
    std::thread administrator([&] {
        auto admin = openPostgres(m_db.serverAddress(), m_db.port().toInt(), "tolvan");
        for (int i = 0; i < 600 && !terminated; ++i) {
            const QString pid = admin->scalar(
                "SELECT pid FROM pg_stat_activity WHERE wait_event_type = 'Lock' AND "
                "datname = 'tolvan'");
            if (!pid.isEmpty())
                terminated = admin->scalar("SELECT pg_terminate_backend($1::int)", {pid}) == "t";
            else
                QThread::msleep(50);
        }
    });
    FakeClock clock;
    const int status = run({"--export", file, "--supplier", "100", "--location", "L", "1", "0",
                            "DEMO", "demo", m_db.serverAddress(), m_db.port()});
    terminated = true;
    administrator.join();
    locker->exec("ROLLBACK");
    QCOMPARE(status, 5);
    QVERIFY2(m_messages.contains(message) && m_messages.contains("terminating connection"),
             qPrintable(m_messages));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("alt\r\n"));
}

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
