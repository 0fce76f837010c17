// The export without a window, run in this process so that the waits between
// connection attempts pass on a fake clock: every exit status and its message.

#include "FakeClock.h"
#include "HeadlessExport.h"
#include "IniSettingsStore.h"
#include "TestDatabase.h"
#include "TextUtils.h"

#include <QDir>
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

private:
    int run(const QStringList &arguments);

    TestDatabase m_db;
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
    QTest::newRow("written") << job + QStringList{"1", "0", "DEMO", "demo"} << 0
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
        << job + QStringList{"1", "0", "DEMO", "Demo"} << 3
        << "Anmeldung an Caché.: Passwort Falsch oder Benutzer nicht Aktiv.";
    QTest::newRow("unknown personnel code")
        << job + QStringList{"1", "0", "NIEMAND", "x"} << 3
        << "Caché Zugriffsfehler: Vorgang: Anmeldung mit nicht existierendem Personalcode.";
    QTest::newRow("no login data anywhere")
        << job << 3 << "Anmeldung an Caché: Personalcode oder Passwort fehlt.";
    QTest::newRow("supplier unknown")
        << file + QStringList{"--supplier", "777", "--location", "L", "1", "0", "DEMO", "demo"} << 4
        << "TOLVAN Dravonik-Export: Lieferant nicht gespeichert";
    QTest::newRow("server not reachable")
        << job + QStringList{"1", "0", "DEMO", "demo", "127.0.0.1", "1"} << 5
        << "Anmeldung an Caché: Der Server ist nicht erreichbar!";
    // A folder that does not exist: no user may write there, root included.
    const QString blocked = m_folder.filePath("fehlt/x.csv");
    QTest::newRow("file not written")
        << QStringList{"--export", blocked, "--supplier", "100",  "--location",
                       "L",        "1",     "0",          "DEMO", "demo"}
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
    SaveSetting("Cache Login", "Login", "Name", "DEMO");
    SaveSetting("Cache Login", "Login", "Passwort", XorText("demo"));
    const QString file = m_folder.filePath("gespeichert.csv");
    QCOMPARE(run({"--export", file, "--supplier", "200", "--location", "L"}), 0);
    QVERIFY2(m_messages.contains("Zeilen geschrieben"), qPrintable(m_messages));

    // A scheduled run keeps the password in the environment: it takes the
    // stored one's place, a wrong one too.
    SaveSetting("Cache Login", "Login", "Passwort", XorText("falsch"));
    QCOMPARE(run({"--export", file, "--supplier", "200", "--location", "L"}), 3);
    qputenv("TOLVAN_PASSWORD", "demo");
    QCOMPARE(run({"--export", file, "--supplier", "200", "--location", "L"}), 0);
    SaveSetting("Cache Login", "Login", "Passwort", "");
    QCOMPARE(run({"--export", file, "--supplier", "200", "--location", "L", "--"}), 0);
    QCOMPARE(GetSetting("Cache Login", "Login", "Passwort"), QString()); // nothing stored

    // The password from the environment fills an empty password field.
    m_messages.clear();
    QCOMPARE(run({"--export", file, "--supplier", "200", "--location", "L", "1", "0", "DEMO"}), 0);
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
                  "--", "1", "0", "DEMO", "-falsch"}),
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

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
