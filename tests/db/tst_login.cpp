// Logging in against the real demo database (SQLite, or PostgreSQL under
// ./test): settings and command line, connecting with its two series of
// attempts, the login's checks and reports, the idle disconnect, server calls.
// No window: the dialogs are fakes.

#include "Connecting.h"
#include "ConnectionSettings.h"
#include "Engine.h"
#include "FakeClock.h"
#include "FakeLoginForms.h"
#include "FakeMessageBoxes.h"
#include "Guard.h"
#include "IniSettingsStore.h"
#include "Login.h"
#include "ServerCalls.h"
#include "Session.h"
#include "TestDatabase.h"
#include "TextUtils.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

using namespace tolvan;

class TestLogin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void storedLoginSucceeds();
    void refusedLogin_data();
    void refusedLogin();
    void unknownPersonnelCode();
    void loginDialogCompletesMissingData();
    void settingsDefaultsAndCommandLine_data();
    void settingsDefaultsAndCommandLine();
    void typedPasswordKeptAfterServerError();
    void administratorPresetsTheServerNeverTheLogin();
    void unreachableServerEndsAfterTwoSeries();
    void serverAnsweringAtSecondAttempt();
    void databaseNotSetUpIsNamedAtOnce_data();
    void databaseNotSetUpIsNamedAtOnce();
    void settingsDialogShowsTheStoredLoginWhenTheServerIsAway();
    void secondSeriesKeepsTheOpenSettingsDialog();
    void idleDisconnectAndReconnect();
    void serverWorkStopsAndStartsTheIdleTimer();
    void identityCommandWithHostileValues_data();
    void identityCommandWithHostileValues();
    void serverCallReports();
    void everyAcceptedPasswordLogsInAfterStoring();

private:
    void store(const QString &key, const QString &value);
    void storeLogin(const QString &name, const QString &password);
    // What the server holds in the connection's variable, read through DBCall.
    QString serverVariable(const QString &name);
    // Rows of the server's connection log, of one personnel code or all.
    int connectionLogRows(const QString &personnel);
    int connectionLogRows();

    TestDatabase m_db{QStringLiteral("tolvan")};
    std::unique_ptr<QTemporaryDir> m_settingsFolder;
    std::unique_ptr<IniSettingsStore> m_settings;
    std::unique_ptr<FakeLoginForms> m_forms;
    std::unique_ptr<FakeClock> m_clock;
    FakeMessageBoxes m_messages;
    QList<int> m_ends;
};

void TestLogin::initTestCase()
{
    TOLVAN_REQUIRE_DATABASE(m_db);
}

void TestLogin::init()
{
    session() = Session();
    setProgramCommandLine(QString());
    m_settingsFolder = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<IniSettingsStore>(m_settingsFolder->path());
    SettingsStore::install(m_settings.get());
    m_forms = std::make_unique<FakeLoginForms>();
    m_clock = std::make_unique<FakeClock>();
    m_messages.reset();
    m_ends.clear();
    guard::setEnder([this](int status) { m_ends << status; });
    store("Server", m_db.serverAddress());
    store("Port", m_db.port());
}

void TestLogin::cleanup()
{
    m_db.engine().exec(
        "UPDATE par_pers_edv SET passwort = 'demo' WHERE firm = '1' AND personnel_code = 'DEMO'");
    QCOMPARE(m_messages.unexpected, 0);
    CloseConnection();
    m_forms.reset();
    m_clock.reset();
    SettingsStore::install(nullptr);
}

void TestLogin::store(const QString &key, const QString &value)
{
    SaveSetting({"Cache Login", "Login", key}, value);
}

void TestLogin::storeLogin(const QString &name, const QString &password)
{
    store("Name", name);
    store("Passwort", XorText(password));
}

QString TestLogin::serverVariable(const QString &name)
{
    return DBCall("W $G(" + name + ")");
}

int TestLogin::connectionLogRows(const QString &personnel)
{
    auto rows = m_db.engine().query("SELECT count(*) FROM connection_log WHERE personnel = $1",
                                    {personnel});
    return rows->next() ? rows->text(0).toInt() : -1;
}

int TestLogin::connectionLogRows()
{
    auto rows = m_db.engine().query("SELECT count(*) FROM connection_log");
    return rows->next() ? rows->text(0).toInt() : -1;
}

void TestLogin::storedLoginSucceeds()
{
    storeLogin("DEMO", "demo");
    const int logged = connectionLogRows("");
    QVERIFY(CacheLogin());

    const Session &state = session();
    QCOMPARE(state.UserIdent, "DEMO|Erika Musterfrau");
    QVERIFY(!state.LoginFailed);
    QCOMPARE(state.UserData.PNAME, "Erika Musterfrau");
    QCOMPARE(state.UserData.PNR, "1001");
    QCOMPARE(state.UserData.DW, "214");
    QCOMPARE(state.UserData.BERGRP, "FILIALE");
    QCOMPARE(state.UserData.ABTBEZ, "Verkauf Filiale Süd");
    QCOMPARE(state.UserData.AbtNr, "10");
    QCOMPARE(state.UserData.HAbtNr, "1");
    QCOMPARE(state.UserData.fax, "+49 30 5550-1001");
    QCOMPARE(state.UserData.EMAIL, "erika.musterfrau@example.com");
    QCOMPARE(state.WJ, "2026");
    QCOMPARE(state.ConnectString,
             "cn_iptcp:" + m_db.serverAddress() + "[" + m_db.port() + "]:TOLVAN");
    // The fields of both dialogs are filled; the stored password is shown decoded.
    QCOMPARE(m_forms->loginForm.fields.value("BUSER"), "DEMO");
    QCOMPARE(m_forms->loginForm.fields.value("BPASSWORT"), "demo");
    QCOMPARE(m_forms->serverForm.fields.value("BFIRMA"), "1");
    QCOMPARE(m_forms->serverForm.fields.value("BWJ"), "2026");
    QCOMPARE(m_forms->events, QStringList({"login hidden", "server hidden"}));
    QVERIFY(m_forms->idleTimerRunning);
    QVERIFY(m_messages.shown.isEmpty());

    // One fresh connection: logged once, with the identity known then (none yet);
    // the identity command of the login told the connection who works on it.
    QCOMPARE(connectionLogRows(""), logged + 1);
    QCOMPARE(serverVariable("FIRMA"), "1");
    QCOMPARE(serverVariable("FIL"), "0");
    QCOMPARE(serverVariable("PERSONAL"), "DEMO");
}

void TestLogin::refusedLogin_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::newRow("wrong password") << "DEMO"
                                    << "falsch";
    QTest::newRow("differs only in case") << "DEMO"
                                          << "Demo";
    QTest::newRow("inactive") << "ALT"
                              << "alt";
    QTest::newRow("active flag in lower case") << "KLEIN"
                                               << "Klein";
}

void TestLogin::refusedLogin()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    storeLogin(name, password);
    m_messages.expect(MessageAnswer::Ok);
    QVERIFY(!CacheLogin());
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].title, "Anmeldung an Caché.");
    QCOMPARE(m_messages.shown[0].text, "Passwort Falsch oder Benutzer nicht Aktiv.");
    QCOMPARE(m_messages.shown[0].icon, MessageIcon::Information);
    QVERIFY(session().LoginFailed);
    QVERIFY(!session().KeepTypedPassword);
    QVERIFY(session().UserIdent.isEmpty());
    QCOMPARE(m_forms->events, QStringList({"select BPASSWORT", "login hidden", "server hidden"}));

    // The next attempt brings the dialog, where the user types the right password.
    m_forms->loginForm.whileShown = [this] { storeLogin("DEMO", "demo"); };
    m_forms->events.clear();
    QVERIFY(CacheLogin());
    QCOMPARE(m_forms->events.first(), "login shown");
    QVERIFY(!session().LoginFailed);
    QCOMPARE(session().UserIdent, "DEMO|Erika Musterfrau");
}

void TestLogin::unknownPersonnelCode()
{
    storeLogin("NIEMAND", "x");
    m_messages.expect(MessageAnswer::Ok);
    QVERIFY(!CacheLogin());
    QCOMPARE(m_messages.shown.size(), 1);
    const auto &report = m_messages.shown[0];
    QCOMPARE(report.title, "Caché Zugriffsfehler");
    QCOMPARE(report.icon, MessageIcon::Exclamation);
    QVERIFY2(report.text.startsWith("Vorgang: Anmeldung mit nicht existierendem Personalcode."
                                    "\r\n\r\nFehler: 1006\r\n"),
             qPrintable(report.text));
    QVERIFY(report.text.endsWith("\r\n\r\n"));
    QVERIFY(report.text.contains("NIEMAND"));
    QVERIFY(session().LoginFailed);
    QVERIFY(session().KeepTypedPassword);
    QVERIFY(m_forms->idleTimerRunning); // the report starts it again
    QVERIFY(!m_forms->events.contains("login hidden"));
}

void TestLogin::loginDialogCompletesMissingData()
{
    // An empty store: the dialog is shown; what it stores is read back.
    m_forms->loginForm.whileShown = [this] {
        store("Name", "DEMO");
        store("Passwort", XorText("demo"));
    };
    QVERIFY(CacheLogin());
    QCOMPARE(m_forms->events.first(), "login shown");
    // A dialog already visible (login from the menu) is not shown again.
    storeLogin("DEMO", "");
    m_forms->loginForm.visible = true;
    m_forms->events.clear();
    m_messages.expect(MessageAnswer::Ok);
    QVERIFY(!CacheLogin());
    QVERIFY(!m_forms->events.contains("login shown"));
}

void TestLogin::settingsDefaultsAndCommandLine_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>(
        "expected"); // firm, branch, name, password, address, port, namespace, WJ
    QTest::newRow("empty store") << ""
                                 << QStringList{"1", "0", "", "", "", "1973", "TOLVAN", "2026"};
    QTest::newRow("first field not a number")
        << "x1 0 DEMO demo" << QStringList{"1", "0", "", "", "", "1973", "TOLVAN", "2026"};
    QTest::newRow("first field with a line feed")
        << "1\n 0 DEMO demo" << QStringList{"1", "0", "", "", "", "1973", "TOLVAN", "2026"};
    QTest::newRow("a decimal comma in the firm, kept as typed")
        << "1,5 0 DEMO demo" << QStringList{"1,5", "0", "DEMO", "demo", "", "1972", "TOLVAN", ""};
    QTest::newRow("a comma alone is no number")
        << ", 0 DEMO demo" << QStringList{"1", "0", "", "", "", "1973", "TOLVAN", "2026"};
    QTest::newRow("only the firm") << "3" << QStringList{"3", "", "", "", "", "1972", "TOLVAN", ""};
    QTest::newRow("all eight, more ignored")
        << "2 5 MEIER meier db.example 1999 WARE 2025 extra"
        << QStringList{"2", "5", "MEIER", "meier", "db.example", "1999", "WARE", "2025"};
    QTest::newRow("two spaces make an empty field")
        << "1  DEMO demo" << QStringList{"1", "", "DEMO", "demo", "", "1972", "TOLVAN", ""};
}

void TestLogin::settingsDefaultsAndCommandLine()
{
    QFETCH(QString, commandLine);
    QFETCH(QStringList, expected);
    if (m_db.isPostgres())
        QSKIP("the defaults name the embedded database");
    QSettings(m_settings->fileName("Cache Login"), QSettings::IniFormat).clear();
    m_forms->loginForm.visible = true; // the dialog is up: PrepareLogin does not show it again
    session().CommandLine = commandLine;
    PrepareLogin();
    const Session &state = session();
    QCOMPARE(QStringList({state.Firm, state.Branch, state.LoginName, state.Password,
                          state.ServerAddress, state.Port, state.Namespace, state.WJ}),
             expected);
    // The namespace never enters the connection string.
    QCOMPARE(state.ConnectString, "cn_iptcp:" + expected[4] + "[" + expected[5] + "]:TOLVAN");
    QCOMPARE(m_forms->serverForm.fields.value("BNAMESPACE"), expected[6]);
    QCOMPARE(m_forms->serverForm.fields.value("BPORT"), expected[5]);
    QCOMPARE(m_forms->loginForm.fields.value("BUSER"), expected[2]);
    // The command line's password is not put into the dialog.
    QCOMPARE(m_forms->loginForm.fields.contains("BPASSWORT"), !commandLineHasLogin(commandLine));
}

void TestLogin::typedPasswordKeptAfterServerError()
{
    storeLogin("DEMO", "gespeichert");
    m_forms->loginForm.fields["BPASSWORT"] = "getippt";
    session().KeepTypedPassword = true;
    LoadConnectionSettings();
    QCOMPARE(session().Password, "getippt");
    QCOMPARE(m_forms->loginForm.fields.value("BPASSWORT"), "getippt");
    session().KeepTypedPassword = false;
    LoadConnectionSettings();
    QCOMPARE(session().Password, "gespeichert");
    QCOMPARE(m_forms->loginForm.fields.value("BPASSWORT"), "gespeichert");
}

// What an administrator writes for every user serves a user who has none of
// it: firm, branch and server, but never the name and password.
void TestLogin::administratorPresetsTheServerNeverTheLogin()
{
    QTemporaryDir everyUser;
    QFile preset(QDir(everyUser.path()).filePath("Cache Login.ini"));
    QVERIFY(preset.open(QIODevice::WriteOnly));
    preset.write("[Login]\nFirma=7\nFiliale=12\nServer=zentral\nPort=5432\nNamespace=FIRMA\n"
                 "Name=CHEF\nPasswort=" +
                 XorText("chef").toUtf8() + "\n");
    preset.close();
    QTemporaryDir own;
    IniSettingsStore store(own.path(), {everyUser.path()});
    SettingsStore::install(&store);
    const QStringList read{GetSetting(loginSettings::Firm),      GetSetting(loginSettings::Branch),
                           GetSetting(loginSettings::Server),    GetSetting(loginSettings::Port),
                           GetSetting(loginSettings::Namespace), GetSetting(loginSettings::Name),
                           GetSetting(loginSettings::Password)};
    SettingsStore::install(m_settings.get());
    QCOMPARE(read, QStringList({"7", "12", "zentral", "5432", "FIRMA", "", ""}));
}

void TestLogin::unreachableServerEndsAfterTwoSeries()
{
    session().ConnectString = "cn_iptcp:127.0.0.1[1]:TOLVAN"; // nobody listens on port 1
    session().UserIdent = "DEMO|Erika Musterfrau";
    m_messages.expect(MessageAnswer::Ok);
    m_messages.expect(MessageAnswer::Ok);
    guard::run([] { ConnectServer(); });
    QCOMPARE(m_ends, QList<int>{1}); // a failure, not a cancel
    // Three attempts ten seconds apart, the message and the dialog, three more.
    QCOMPARE(m_clock->waits, QList<qint64>({10000, 10000, 10000, 10000}));
    QCOMPARE(m_messages.shown.size(), 2);
    QCOMPARE(m_messages.shown[0].title, "Anmeldung an Caché");
    QCOMPARE(m_messages.shown[0].text,
             "Server nach 3 Versuchen nicht erreichbar!\r\nWahrscheinlich sind keine freien "
             "Lizenzen verfügbar!\r\nBitte Kontrollieren Sie die Verbindungsdaten");
    QCOMPARE(m_messages.shown[0].icon, MessageIcon::Exclamation);
    QCOMPARE(m_messages.shown[1].title, "Anmeldung an Caché");
    QCOMPARE(m_messages.shown[1].text,
             "Der Server ist nicht erreichbar!\r\nWahrscheinlich sind keine Lizenzen frei. Die "
             "Anwendung wird beendet!\r\nBitte Versuchen Sie die Anmeldung zu einem späteren "
             "Zeitpunk noch ein mal.");
    QCOMPARE(m_messages.shown[1].icon, MessageIcon::Critical);
    QCOMPARE(m_forms->events, QStringList({"server shown", "server hidden", "quit", "unload"}));
    QVERIFY(session().UserIdent.isEmpty());
}

void TestLogin::databaseNotSetUpIsNamedAtOnce_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("made");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing file, a name beyond Windows-1252")
        << "Łódź/tolvan.db" << false
        << "Die Datenbankdatei %1 existiert nicht.\r\nMit Demodaten legt sie der Befehl "
           "„tolvan-db demo --database \"%1\"“ an.";
    QTest::newRow("a file of another program")
        << "fremd.db" << true << "Die Datenbank ist keine TOLVAN-Datenbank%1";
}

// A first start before any database: no series of attempts, no word of
// licences, but which file is missing and how it is made, and the end.
void TestLogin::databaseNotSetUpIsNamedAtOnce()
{
    QFETCH(QString, name);
    QFETCH(bool, made);
    QFETCH(QString, expected);
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(name);
    if (made)
        openSqlite(path, true)->execScript("CREATE TABLE notizen (text TEXT)");
    useEmbeddedDatabase(path);
    const auto restore = qScopeGuard([] { useEmbeddedDatabase(QString()); });
    session().ConnectString = "cn_iptcp:[1972]:TOLVAN";
    session().UserIdent = "DEMO|Erika Musterfrau";
    m_messages.expect(MessageAnswer::Ok);
    guard::run([] { ConnectServer(); });
    QCOMPARE(m_ends, QList<int>{1});
    QVERIFY(m_clock->waits.isEmpty());
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].title, "Anmeldung an Caché");
    QCOMPARE(m_messages.shown[0].text,
             expected.arg(made ? QString() : QDir::toNativeSeparators(path)) +
                 "\r\nDie Anwendung wird beendet!");
    QCOMPARE(m_messages.shown[0].icon, MessageIcon::Critical);
    QCOMPARE(QFileInfo::exists(path), made);
}

void TestLogin::serverAnsweringAtSecondAttempt()
{
    storeLogin("DEMO", "demo");
    session().ConnectString = "cn_iptcp:127.0.0.1[1]:TOLVAN";
    session().LoginName = "DEMO";
    session().Firm = "1";
    session().Branch = "0";
    m_clock->duringWait = [this] { session().ConnectString = m_db.connectString(); };
    const int logged = connectionLogRows("DEMO");
    ConnectServer();
    QVERIFY(session().Factory->connected());
    QCOMPARE(m_clock->waits.size(), 1);
    QVERIFY(m_messages.shown.isEmpty());
    QCOMPARE(connectionLogRows("DEMO"), logged + 1);
    ConnectServer(); // connected: nothing is created or sent
    QCOMPARE(connectionLogRows("DEMO"), logged + 1);
}

void TestLogin::settingsDialogShowsTheStoredLoginWhenTheServerIsAway()
{
    storeLogin("DEMO", "demo");
    store("Server", "127.0.0.1");
    store("Port", "1");
    QHash<QString, QString> shown;
    m_forms->serverForm.whileShown = [&] {
        shown = m_forms->serverForm.fields;
        shown.insert(m_forms->loginForm.fields);
        session().ConnectString = m_db.connectString(); // the user corrects the address
    };
    m_messages.expect(MessageAnswer::Ok);
    LoadConnectionSettings();
    // What "Änderungen sichern?" would store: the stored values, not the layout's.
    QCOMPARE(shown.value("BSERVERIP"), "127.0.0.1");
    QCOMPARE(shown.value("BPORT"), "1");
    QCOMPARE(shown.value("BUSER"), "DEMO");
    QCOMPARE(shown.value("BPASSWORT"), "demo");
}

void TestLogin::secondSeriesKeepsTheOpenSettingsDialog()
{
    // The settings dialog stored unreachable data and reconnects while it is open.
    session().ConnectString = "cn_iptcp:127.0.0.1[1]:TOLVAN";
    m_forms->serverForm.visible = true;
    m_messages.expect(MessageAnswer::Ok);
    m_messages.expect(MessageAnswer::Ok);
    guard::run([] { ConnectServer(); });
    QVERIFY(!m_forms->events.contains("server shown"));
    QCOMPARE(m_clock->waits.size(), 4);
    QCOMPARE(m_ends, QList<int>{1}); // a failure, not a cancel
}

void TestLogin::idleDisconnectAndReconnect()
{
    storeLogin("DEMO", "demo");
    QVERIFY(CacheLogin());
    QVERIFY(m_forms->idleTimerRunning);
    const int logged = connectionLogRows("DEMO");

    CloseConnection(); // what the idle timer does when it fires
    QVERIFY(!m_forms->idleTimerRunning);
    QVERIFY(!session().Factory->connected());

    // The next server work connects anew and tells the server who works on it.
    QCOMPARE(serverVariable("PERSONAL"), "DEMO");
    QCOMPARE(connectionLogRows("DEMO"), logged + 1);
    QVERIFY(m_forms->idleTimerRunning);
}

void TestLogin::serverWorkStopsAndStartsTheIdleTimer()
{
    // The idle timer never fires in the middle of server work: the work stops
    // it, its end starts it again.
    storeLogin("DEMO", "demo");
    QVERIFY(CacheLogin());
    QVERIFY(m_forms->idleTimerRunning);
    BeginServerWork();
    QVERIFY(!m_forms->idleTimerRunning);
    QVERIFY(session().Factory->connected());
    EndServerWork(false);
    QVERIFY(m_forms->idleTimerRunning);

    // After the idle disconnect the work connects first.
    CloseConnection();
    BeginServerWork();
    QVERIFY(session().Factory->connected());
    QVERIFY(!m_forms->idleTimerRunning);
    EndServerWork(false);
    QVERIFY(m_forms->idleTimerRunning);
}

void TestLogin::identityCommandWithHostileValues_data()
{
    QTest::addColumn<QString>("firm");
    QTest::addColumn<QString>("branch");
    QTest::addColumn<QString>("code");
    QTest::newRow("ordinary") << "1"
                              << "0"
                              << "DEMO";
    QTest::newRow("code closes the string") << "1"
                                            << "0"
                                            << R"(X",FIRMA=9,PERSONAL="CHEF)";
    QTest::newRow("quotes only") << "1"
                                 << "0"
                                 << R"("""")";
    QTest::newRow("code with a command") << "1"
                                         << "0"
                                         << R"(" D ^%XTT W ")";
    QTest::newRow("empty branch") << "1"
                                  << ""
                                  << "DEMO";
    QTest::newRow("firm with commands") << R"(1,PERSONAL="CHEF")"
                                        << "0"
                                        << "DEMO";
    QTest::newRow("branch with a string") << "1"
                                          << R"(0",FIRMA="9)"
                                          << "DEMO";
    QTest::newRow("signed and padded") << "+1"
                                       << " 0"
                                       << "DEMO";
    QTest::newRow("numbers with a trailing line feed") << "1\n"
                                                       << "0\n"
                                                       << "DEMO";
    QTest::newRow("comment and spaces") << "1"
                                        << "0"
                                        << "A ; B";
}

void TestLogin::identityCommandWithHostileValues()
{
    QFETCH(QString, firm);
    QFETCH(QString, branch);
    QFETCH(QString, code);
    if (QTest::currentDataTag() == QLatin1String("ordinary"))
        QCOMPARE(IdentityCommand(firm, branch, code), R"(S FIRMA=1,FIL=0,PERSONAL="DEMO")");
    session().ConnectString = m_db.connectString();
    ConnectServer();
    const int logged = connectionLogRows();
    QCOMPARE(DBCall(IdentityCommand(firm, branch, code)), QString());
    QVERIFY(m_messages.shown.isEmpty());
    // Exactly the three values arrive, and nothing else ran.
    QCOMPARE(serverVariable("FIRMA"), firm);
    QCOMPARE(serverVariable("FIL"), branch);
    QCOMPARE(serverVariable("PERSONAL"), code);
    QCOMPARE(connectionLogRows(), logged);
}

void TestLogin::serverCallReports()
{
    session().ConnectString = m_db.connectString();
    QCOMPARE(DBCall("S A=1"), QString()); // writes nothing: no report
    QVERIFY(m_messages.shown.isEmpty());

    m_forms->idleTimerRunning = false;
    m_messages.expect(MessageAnswer::Ok);
    const QString command = "S ^FA(0)=1";
    QCOMPARE(DBCall(command), QString());
    QCOMPARE(m_messages.shown.size(), 1);
    QVERIFY2(m_messages.shown[0].text.startsWith(
                 "Vorgang: Ungültige Anfrage! Kein Ergebnis gefunden\r\n\r\nDBCall Aufruf von "
                 "TV.Windwos Xecute S ^FA(0)=1.\r\n\r\nFehler: 1010\r\n"),
             qPrintable(m_messages.shown[0].text));
    QVERIFY(m_forms->idleTimerRunning);

    m_messages.expect(MessageAnswer::Ok);
    ShowCacheError(RuntimeError(-2147217900, "Syntaxfehler"), "Test");
    QCOMPARE(m_messages.shown.last().text,
             "Vorgang: Test.\r\n\r\nFehler: -2147217900\r\nSyntaxfehler\r\n\r\n");
    m_messages.expect(MessageAnswer::Ok); // a command with "%1" in it is shown as it is
    ShowCacheError(RuntimeError(5, "d"), "W \"%1%2\"");
    QCOMPARE(m_messages.shown.last().text, "Vorgang: W \"%1%2\".\r\n\r\nFehler: 5\r\nd\r\n\r\n");
}

void TestLogin::everyAcceptedPasswordLogsInAfterStoring()
{
    // Characters of the code page (letters are stored as control characters,
    // "Z" as NUL) and outside it (Polish, Chinese, an emoji).
    QString pool;
    for (char16_t c = 0x20; c <= 0xFF; ++c)
        pool += QChar(c);
    pool += QStringLiteral("€ŠšŽžŒœŸƒ†‡•…‰‹›łŁżź中文ДЖ\u0081\u008D\u008F\u0090\u009D😀");
    QRandomGenerator generator(20261208); // the same passwords every run
    auto *random = &generator;
    for (int round = 0; round < 400; ++round) {
        QString password;
        const int length = int(random->bounded(21));
        while (password.size() < length) {
            const QChar c = pool[random->bounded(int(pool.size()))];
            if (c.isHighSurrogate()) {
                if (password.size() + 2 > 20)
                    continue;
                password += pool.mid(pool.indexOf(c), 2);
            } else if (!c.isLowSurrogate()) {
                password += c;
            }
        }
        store("Passwort", XorText(password));
        QCOMPARE(XorText(GetSetting({"Cache Login", "Login", "Passwort"})), password);
        if (round % 40 == 0) {
            m_db.engine().exec("UPDATE par_pers_edv SET passwort = $1 WHERE firm = '1' AND "
                               "personnel_code = 'DEMO'",
                               {password});
            store("Name", "DEMO");
            session() = Session();
            QVERIFY2(CacheLogin(), qPrintable(password));
        }
    }
}

QTEST_GUILESS_MAIN(TestLogin)
#include "tst_login.moc"
