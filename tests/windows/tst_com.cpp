// The object server's ActiveX factory, played by a double of our own: every
// call through COM, late-bound or as a typed server declares its parameters,
// in this process or across a process boundary; errors as the error report
// shows them, the reference counts after each step, the server's own values
// handed back as they came, and the main job with the same bytes as on the
// embedded database.

#include "ComDouble.h"
#include "Engine.h"
#include "FakeClock.h"
#include "FakeLoginForms.h"
#include "FakeMessageBoxes.h"
#include "Guard.h"
#include "HeadlessExport.h"
#include "IniSettingsStore.h"
#include "ObjectServer.h"
#include "ServerCalls.h"
#include "ServerChoice.h"
#include "ServerError.h"
#include "Session.h"
#include "SettingsStore.h"
#include "TestDatabase.h"
#include "TextUtils.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace tolvan;
using comdouble::Face;
using comdouble::ListKey;

namespace {

const QString Remote = QStringLiteral("cn_iptcp:objektserver.test[1972]:TOLVAN");

bool isLocal(Face face)
{
    return face == Face::LocalLateBound || face == Face::LocalTyped;
}

void addFaceRows()
{
    QTest::addColumn<int>("face");
    for (Face face : comdouble::Faces)
        QTest::addRow("%s", comdouble::name(face)) << int(face);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

class TestCom : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void createdByProgIdOrClsid();
    void creationFailures_data();
    void creationFailures();
    void creationErrorReachesTheCaller();
    void factoryCalls_data();
    void factoryCalls();
    void referenceArgumentsComeBack_data() { addFaceRows(); }
    void referenceArgumentsComeBack();
    void serverValuesGoBackAsTheyCame_data();
    void serverValuesGoBackAsTheyCame();
    void errorReport_data();
    void errorReport();
    void resultSetClosedWhileRowsRemain_data() { addFaceRows(); }
    void resultSetClosedWhileRowsRemain();
    void failedConnectedReadConnectsAnew();
    void refusedConnect();
    void mainJobGivesTheSameBytes_data();
    void mainJobGivesTheSameBytes();

private:
    QString classOf(Face face) const;
    std::unique_ptr<Factory> comFactory(Face face = Face::LateBound);
    void verifyOnlyTheFactoryIsHeld(Face face = Face::LateBound);
    int runExport(const QString &server, const QString &file);

    TestDatabase m_db;
    comdouble::Registration m_registration;
    QString m_class;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<IniSettingsStore> m_settings;
    QString m_messages;
};

void TestCom::initTestCase()
{
    TOLVAN_REQUIRE_DATABASE(m_db);
    QVERIFY(m_registration.isRegistered());
    // A ProgID under HKEY_CLASSES_ROOT needs an administrator outside wine.
    m_class = m_registration.registerProgId()
                  ? QString::fromWCharArray(comdouble::Registration::ProgId)
                  : comdouble::Registration::clsid();
    QVERIFY(m_registration.registerLocalServer(QCoreApplication::applicationDirPath() +
                                                   QStringLiteral("/ComLocalServer.exe"),
                                               embeddedDatabasePath()));
}

void TestCom::init()
{
    comdouble::state().faults = {};
    comdouble::state().clearCalls();
    m_folder = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<IniSettingsStore>(m_folder->filePath("settings"));
    SettingsStore::install(m_settings.get());
    m_messages.clear();
    guard::setEnder([](int) {}); // a run that ended leaves no end behind for the next
}

void TestCom::cleanup()
{
    session() = Session();
    ServerChoice::process() = ServerChoice(ServerChoice::Kind::Engines, QString());
    SettingsStore::install(nullptr);
    QCOMPARE(comdouble::state().objects, 0);
    QCOMPARE(comdouble::state().references, 0);
}

QString TestCom::classOf(Face face) const
{
    return face == Face::LateBound ? m_class : comdouble::Registration::clsid(face);
}

std::unique_ptr<Factory> TestCom::comFactory(Face face)
{
    return ServerChoice(ServerChoice::Kind::ObjectServer, classOf(face)).newFactory(Remote);
}

// After each call every object the call handed out is released again. (In a
// local server, COM's stubs hold references of their own.)
void TestCom::verifyOnlyTheFactoryIsHeld(Face face)
{
    QCOMPARE(comdouble::state().objects, 1);
    if (isLocal(face))
        QVERIFY(comdouble::state().localServer != 0); // the objects live there
    else
        QCOMPARE(comdouble::state().references, 1);
}

int TestCom::runExport(const QString &server, const QString &file)
{
    SaveSetting({"Cache Login", "Login", "Server"}, server);
    SaveSetting({"Cache Login", "Login", "Port"}, "1972");
    SaveSetting({"Cache Login", "Login", "Name"}, "DEMO");
    SaveSetting({"Cache Login", "Login", "Passwort"}, XorText("demo"));
    QString out;
    QTextStream outStream(&out), messages(&m_messages);
    return headless::run({"--export", file, "--supplier", "100", "--location", "Regal 7, Süd"},
                         outStream, messages);
}

void TestCom::createdByProgIdOrClsid()
{
    if (m_class.startsWith(u'{'))
        QSKIP("the ProgID could not be registered here");
    QVERIFY(objectserver::isInstalled(m_class));
    QVERIFY(!objectserver::isInstalled("Tolvan.GibtEsNicht"));
    for (const QString &name : {m_class, comdouble::Registration::clsid()}) {
        Factory factory(objectserver::createFactory(name));
        verifyOnlyTheFactoryIsHeld();
        QVERIFY(!factory.connected());
    }
}

void TestCom::creationFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("creationFails");
    QTest::addColumn<qint32>("number");
    QTest::newRow("registered, cannot be created")
        << m_class << true << qint32(CO_E_SERVER_EXEC_FAILURE);
    QTest::newRow("ProgID unknown") << "Tolvan.GibtEsNicht" << false << qint32(CO_E_CLASSSTRING);
    QTest::newRow("class not registered")
        << "{00000000-1111-2222-3333-444444444444}" << false << qint32(REGDB_E_CLASSNOTREG);
}

void TestCom::creationFailures()
{
    QFETCH(QString, name);
    QFETCH(bool, creationFails);
    QFETCH(qint32, number);
    comdouble::state().faults.creationFails = creationFails;
    try {
        ServerChoice(ServerChoice::Kind::ObjectServer, name).newFactory(Remote);
        QFAIL("created");
    } catch (const ServerError &error) {
        QCOMPARE(error.number(), number);
        QCOMPARE(error.description(), qt_error_string(number));
        QVERIFY(!error.description().isEmpty());
    }
    // An empty address is the embedded database, whatever was chosen.
    const auto embedded =
        ServerChoice(ServerChoice::Kind::ObjectServer, name).newFactory(m_db.connectString());
    QVERIFY(embedded->connect(m_db.connectString()));
}

void TestCom::creationErrorReachesTheCaller()
{
    // Neither handled by the connection attempts nor answered by PostgreSQL
    // at the same address: the run ends on the error, reported as the window
    // would, with the status of a server that could not be reached.
    ServerChoice::process() = ServerChoice(ServerChoice::Kind::ObjectServer, m_class);
    comdouble::state().faults.creationFails = true;
    FakeClock clock;
    const QString file = m_folder->filePath("x.csv");
    QCOMPARE(runExport("objektserver.test", file), int(headless::ServerUnreachable));
    QVERIFY2(m_messages.contains(
                 QStringLiteral("Laufzeitfehler '%1'").arg(qint32(CO_E_SERVER_EXEC_FAILURE))),
             qPrintable(m_messages));
    QVERIFY(clock.waits.isEmpty());
    QVERIFY(comdouble::state().calls().isEmpty());
    QVERIFY(!QFile::exists(file));
}

void TestCom::factoryCalls_data()
{
    addFaceRows();
    // A server that counts type information it then does not give is called late-bound.
    QTest::addRow("type information refused") << -1;
}

void TestCom::factoryCalls()
{
    QFETCH(int, face);
    comdouble::state().faults.typeInfoRefused = face < 0;
    const Face called = face < 0 ? Face::LateBound : Face(face);
    std::unique_ptr<Factory> factory = comFactory(called);
    Factory engines;
    QVERIFY(engines.connect(m_db.connectString()));
    QString connectString = Remote;
    comdouble::state().faults.connectStringWritten = "cn_iptcp:10.0.0.9[1972]:TOLVAN";
    QVERIFY(factory->connect(connectString));
    QCOMPARE(comdouble::state().calls().last(), "Connect(" + Remote + ")");
    QCOMPARE(connectString, "cn_iptcp:10.0.0.9[1972]:TOLVAN"); // passed by reference
    comdouble::state().faults.connectStringWritten.clear();
    QVERIFY(factory->connected());
    verifyOnlyTheFactoryIsHeld(called);

    for (Factory *f : {factory.get(), &engines}) {
        auto user = f->openId("TV.ParPersEdv", "1||DEMO");
        const QVariant name = user->call("PNAMELogicalToODBC", {user->property("PNAME")});
        QCOMPARE(name.toString(), engines.openId("TV.ParPersEdv", "1||DEMO")
                                      ->call("PNAMELogicalToODBC", {user->property("PNAME")})
                                      .toString());
        QVERIFY(!name.toString().isEmpty());
        user->call("sys_Close");
    }
    verifyOnlyTheFactoryIsHeld(called);

    auto windows = factory->createObject("TV.Windows");
    QCOMPARE(windows->call("Xecute", {"S A=4 W A"}).toString(), "4");
    // A value (the branch, a text) where the typed face declares a reference to a number.
    QVERIFY(factory->createObject("DRAVONIK.Lager")->call("HatFiliale", {"01", "0"}).toBool());
    windows.reset();
    verifyOnlyTheFactoryIsHeld(called);

    factory->disconnect();
    QVERIFY(!factory->connected());
    QVERIFY_THROWS_EXCEPTION(ServerError, factory->createObject("TV.Windows"));
    verifyOnlyTheFactoryIsHeld(called);
}

void TestCom::referenceArgumentsComeBack()
{
    QFETCH(int, face);
    std::unique_ptr<Factory> factory = comFactory(Face(face));
    QVERIFY(factory->connect(Remote));
    Factory engines;
    QVERIFY(engines.connect(m_db.connectString()));
    for (Factory *f : {factory.get(), &engines}) {
        QString firm = "01";
        auto stock = f->createObject("DRAVONIK.Lager");
        QVERIFY(!stock->call("LName", {Arg::ref(firm), "100"}).toString().isEmpty());
        QCOMPARE(firm, "1"); // the server's form of the firm

        QString branch = "0";
        firm = "1.0";
        QVariant key = stock->call("liste", {Arg::ref(firm), Arg::ref(branch), "100"});
        QCOMPARE(firm, "1");
        auto rows = f->openClassQuery("TV.XW", "Liste");
        rows->execute(key);
        QCOMPARE(key.toStringList(), QStringList({"1", "0", "100"}));
        QStringList texts;
        while (rows->next()) {
            texts << rows->data(1).toString();
            // The object server's rows come as strings only: UTF-8 bytes are
            // the component's own engines' shortcut.
            QByteArray bytes;
            QCOMPARE(rows->appendUtf8(1, bytes), f == &engines);
            QCOMPARE(bytes.isEmpty(), f != &engines);
        }
        QCOMPARE(texts.size(), 5);
        rows->close();
    }
    verifyOnlyTheFactoryIsHeld(Face(face));
}

void TestCom::serverValuesGoBackAsTheyCame_data()
{
    QTest::addColumn<int>("face");
    QTest::addColumn<int>("key");
    for (Face face : comdouble::Faces) {
        for (ListKey key : {ListKey::Short, ListKey::Date, ListKey::VariantArray, ListKey::Object})
            QTest::addRow("%s, %s", comdouble::name(face), comdouble::name(key))
                << int(face) << int(key);
    }
}

// The list's key as a server may give it, in no type of Qt's: the result set
// gets it back as it came (the double's Execute refuses anything else), and
// read as text or number it is what the server makes of it.
void TestCom::serverValuesGoBackAsTheyCame()
{
    QFETCH(int, face);
    QFETCH(int, key);
    std::unique_ptr<Factory> factory = comFactory(Face(face));
    QVERIFY(factory->connect(Remote));
    comdouble::state().faults.listKey = ListKey(key);
    QString firm = "1", branch = "0";
    QVariant value = factory->createObject("DRAVONIK.Lager")
                         ->call("liste", {Arg::ref(firm), Arg::ref(branch), "100"});
    switch (ListKey(key)) {
    case ListKey::Short:
        QCOMPARE(value.toInt(), -4711);
        QCOMPARE(value.toString(), "-4711");
        break;
    case ListKey::Date:
        QCOMPARE(value.toDouble(), 45123.75);
        QVERIFY2(value.toString().contains("2023"), qPrintable(value.toString()));
        break;
    case ListKey::VariantArray:
        QCOMPARE(value.toStringList(), QStringList({"1", "0", "100"}));
        break;
    default:
        QCOMPARE(comdouble::state().objects, 2); // the factory and the key
        break;
    }
    const QVariant copy = value; // (as the export keeps it)
    auto rows = factory->openClassQuery("TV.XW", "Liste");
    rows->execute(value);
    int count = 0;
    while (rows->next())
        ++count;
    QCOMPARE(count, 5);
    rows->close();
    rows.reset();
    value = QVariant();
    QCOMPARE(comdouble::state().objects, ListKey(key) == ListKey::Object ? 2 : 1);
}

void TestCom::errorReport_data()
{
    QTest::addColumn<int>("report");
    QTest::addColumn<HRESULT>("failure");
    QTest::addColumn<bool>("facility");
    using comdouble::Report;
    QTest::newRow("number in scode") << int(Report::Scode) << S_OK << false;
    QTest::newRow("number in wCode") << int(Report::WCode) << S_OK << false;
    QTest::newRow("filled in when asked") << int(Report::Deferred) << S_OK << false;
    QTest::newRow("negative scode") << int(Report::FacilityScode) << S_OK << true;
    QTest::newRow("a failing HRESULT") << int(Report::Scode) << RPC_E_DISCONNECTED << false;
    QTest::newRow("no text") << int(Report::NoText) << S_OK << false;
}

void TestCom::errorReport()
{
    QFETCH(int, report);
    QFETCH(HRESULT, failure);
    QFETCH(bool, facility);
    const QString command = "S X=$P(";
    Factory engines;
    QVERIFY(engines.connect(m_db.connectString()));
    qint32 number = 0;
    QString description;
    try {
        engines.createObject("TV.Windows")->call("Xecute", {command});
    } catch (const ServerError &error) {
        number = error.number();
        description = error.description();
    }
    QCOMPARE(number, qint32(ServerError::MError));
    if (facility)
        number = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, number);
    if (FAILED(failure)) {
        number = failure;
        description = qt_error_string(failure);
    }
    if (comdouble::Report(report) == comdouble::Report::NoText)
        description = "Der Objektserver meldet den Fehler ohne Beschreibung.";
    QVERIFY(number < 0 || !facility);

    // What the program does with it: DBCall's report.
    FakeLoginForms forms;
    FakeMessageBoxes messages;
    ServerChoice::process() = ServerChoice(ServerChoice::Kind::ObjectServer, m_class);
    session().ConnectString = Remote;
    {
        FakeClock clock;
        QVERIFY(DBCall("W 1") == "1"); // connects first
    }
    comdouble::state().faults.report = comdouble::Report(report);
    comdouble::state().faults.failure = failure;
    messages.reset();
    QCOMPARE(DBCall(command), QString());
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].title, "Caché Zugriffsfehler");
    QCOMPARE(messages.shown[0].text,
             "Vorgang: Ungültige Anfrage! Kein Ergebnis gefunden\r\n\r\nDBCall Aufruf von "
             "TV.Windwos Xecute " +
                 command + ".\r\n\r\nFehler: " + QString::number(number) + "\r\n" + description +
                 "\r\n\r\n");
    QVERIFY(!description.isEmpty());
    comdouble::state().faults.failure = S_OK;
    verifyOnlyTheFactoryIsHeld();
}

void TestCom::resultSetClosedWhileRowsRemain()
{
    QFETCH(int, face);
    std::unique_ptr<Factory> factory = comFactory(Face(face));
    QVERIFY(factory->connect(Remote));
    QVariant key = QStringList{"1", "0", "100"};
    auto rows = factory->openClassQuery("TV.XW", "Liste");
    rows->execute(key);
    QVERIFY(rows->next());
    rows->close();
    QCOMPARE(comdouble::state().calls().last(), "Close");
    try {
        rows->next();
        QFAIL("a row after the close");
    } catch (const ServerError &error) {
        QCOMPARE(error.number(), qint32(ServerError::ObjectClosed));
    }
    rows.reset();
    verifyOnlyTheFactoryIsHeld(Face(face));
}

void TestCom::failedConnectedReadConnectsAnew()
{
    FakeLoginForms forms;
    FakeMessageBoxes messages;
    FakeClock clock;
    ServerChoice::process() = ServerChoice(ServerChoice::Kind::ObjectServer, m_class);
    session().ConnectString = Remote;
    QCOMPARE(DBCall("W 1"), "1");
    comdouble::state().faults.failingConnectedReads = 1;
    QCOMPARE(DBCall("W 2"), "2");
    QCOMPARE(comdouble::state().calls().count("Connect(" + Remote + ")"), 2);
    QCOMPARE(comdouble::state().calls().count("Xecute(D ^%XTT)"), 2);
    QVERIFY(messages.shown.isEmpty());
    QVERIFY(clock.waits.isEmpty());
    verifyOnlyTheFactoryIsHeld();
}

void TestCom::refusedConnect()
{
    ServerChoice::process() = ServerChoice(ServerChoice::Kind::ObjectServer, m_class);
    comdouble::state().faults.connectRefused = true;
    FakeClock clock;
    QCOMPARE(runExport("objektserver.test", m_folder->filePath("x.csv")),
             int(headless::ServerUnreachable));
    QVERIFY2(m_messages.contains("Der Server ist nicht erreichbar!"), qPrintable(m_messages));
    QCOMPARE(comdouble::state().calls().count("Connect(" + Remote + ")"), 6);
    QCOMPARE(clock.waits.size(), 4);
}

void TestCom::mainJobGivesTheSameBytes_data()
{
    QTest::addColumn<int>("face");
    QTest::addColumn<int>("key");
    for (Face face : comdouble::Faces) {
        for (ListKey key : {ListKey::Component, ListKey::Object})
            QTest::addRow("%s, %s", comdouble::name(face), comdouble::name(key))
                << int(face) << int(key);
    }
}

void TestCom::mainJobGivesTheSameBytes()
{
    QFETCH(int, face);
    QFETCH(int, key);
    const QString embeddedFile = m_folder->filePath("eingebettet.csv");
    QCOMPARE(runExport("", embeddedFile), int(headless::Written));
    QVERIFY(comdouble::state().calls().isEmpty());
    const QString embeddedMessages = m_messages;

    // The list's key goes back to the result set as it came, even an object.
    comdouble::state().faults.listKey = ListKey(key);
    ServerChoice::process() = ServerChoice(ServerChoice::Kind::ObjectServer, classOf(Face(face)));
    m_messages.clear();
    const QString comFile = m_folder->filePath("objektserver.csv");
    QCOMPARE(runExport("objektserver.test", comFile), int(headless::Written));
    QCOMPARE(contents(comFile), contents(embeddedFile));
    QCOMPARE(contents(comFile).count("\r\n"), 3);
    QCOMPARE(m_messages, QString(embeddedMessages)
                             .replace(QDir::toNativeSeparators(embeddedFile),
                                      QDir::toNativeSeparators(comFile)));

    // All of it went through the double: the connect, the identity and
    // ^%XTT, the WJ query, the login, the lookup and the stock list.
    const QStringList calls = comdouble::state().calls();
    for (const QString &call :
         {"Connect(" + Remote + ")", QStringLiteral("Xecute(D ^%XTT)"),
          QStringLiteral("Xecute(S P0=$P(^FA(0),\"`\",2) W P0)"),
          QStringLiteral("Xecute(S FIRMA=1,FIL=0,PERSONAL=\"DEMO\")"),
          QStringLiteral("PNAMELogicalToODBC"), QStringLiteral("LName(1,100)"),
          QStringLiteral("OpenQuery(TV.XW,Liste)"), QStringLiteral("Execute"),
          QStringLiteral("Close")}) {
        QVERIFY2(calls.contains(call) ||
                     std::any_of(calls.cbegin(), calls.cend(),
                                 [&](const QString &c) { return c.startsWith(call + u'('); }),
                 qPrintable(call + " missing in " + calls.join(" | ")));
    }
    // Between the runs, only the session's factory is held.
    verifyOnlyTheFactoryIsHeld(Face(face));
}

QTEST_GUILESS_MAIN(TestCom)
#include "tst_com.moc"
