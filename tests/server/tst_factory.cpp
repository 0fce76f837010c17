// The data server component on a real database: SQLite or PostgreSQL, as the
// test is registered (TOLVAN_TEST_ENGINE).

#include "DemoData.h"
#include "Factory.h"
#include "Schema.h"
#include "ServerError.h"
#include "TestDatabase.h"

#include <QFile>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <atomic>
#include <thread>

using namespace tolvan;

namespace {

// The error a call raised; number 0 when it raised none.
template <typename Call> ServerError raised(Call call)
{
    try {
        call();
    } catch (const ServerError &error) {
        return error;
    }
    return ServerError(0, QStringLiteral("no error raised"));
}

QStringList stockList(Factory &factory, QString firm, QString branch, const QString &supplier,
                      const QString &query = QStringLiteral("Liste"))
{
    QVariant key = factory.createObject("DRAVONIK.Lager")
                       ->call("liste", {Arg::ref(firm), Arg::ref(branch), supplier});
    auto rows = factory.openClassQuery("TV.XW", query);
    rows->execute(key);
    QStringList texts;
    QByteArray utf8;
    while (rows->next()) {
        texts << rows->data(1).toString();
        // The row in UTF-8 is the same text, appended to what is there.
        utf8 = "vorher";
        if (!rows->appendUtf8(1, utf8) || utf8 != "vorher" + texts.last().toUtf8())
            texts.last() += QStringLiteral(" (differs in UTF-8: %1)").arg(QString::fromUtf8(utf8));
    }
    rows->close();
    return texts;
}

} // namespace

class TestFactory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void connectFailsCleanly_data();
    void connectFailsCleanly();
    void connectFailsOnMissingOrForeignFiles();
    void disconnectEndsEveryObject();
    void embeddedFilesThatCannotServe();
    void resultSetsOutliveTheirConnection();
    void storedObjects();
    void storedObjectIdsFindOnlyWholeKeys_data();
    void storedObjectIdsFindOnlyWholeKeys();
    void membersThatDoNotExist();
    void closedObjects();
    void supplierName();
    void referenceArgumentsAreWrittenBack();
    void stockListQuery();
    void branchesThatDoNotExistListNothing_data();
    void branchesThatDoNotExistListNothing();
    void firmNumbersInIds_data();
    void firmNumbersInIds();
    void textsWithNulNameNothing();
    void unfinishedBulkLoadLeavesTheEngineUsable();
    void resultSetOrder();
    void resultSetsClosedEarlyOrInterleaved();
    void commandLines();
    void localsLiveAsLongAsTheConnection();
    void hostileTextChangesNothing();
    void lineBreaksInsideValuesKeepFourFields();
    void exportListIsTheListsEanAndQuantity();
    void articleNumbersInByteOrder();
    void identitiesWithNulAreNotLogged();
    void connectingAndReadingDuringAReload();
    void secondConnectionKeepsTheLocksOfTheFirst();
    void concurrentConnectsAreAllLogged();
    void aFullServerIsBusyNotRefused();
    void stockListWithoutStatistics();

private:
    QString count(const char *table)
    {
        return m_db.engine().scalar(std::string("SELECT count(*) FROM ") + table);
    }

    TestDatabase m_db;
    Factory m_factory;
};

void TestFactory::initTestCase()
{
    TOLVAN_REQUIRE_DATABASE(m_db, 30);
}

void TestFactory::init()
{
    QVERIFY2(m_factory.connect(m_db.connectString()), qPrintable(m_factory.lastConnectError()));
    QVERIFY(m_factory.connected());
}

void TestFactory::connectFailsCleanly_data()
{
    QTest::addColumn<QString>("connectString");
    QTest::newRow("empty") << "";
    QTest::newRow("other protocol") << "cn_ipx:[1972]:TOLVAN";
    QTest::newRow("no port") << "cn_iptcp:[]:TOLVAN";
    QTest::newRow("port zero") << "cn_iptcp:localhost[0]:TOLVAN";
    QTest::newRow("port too large") << "cn_iptcp:localhost[70000]:TOLVAN";
    QTest::newRow("no namespace") << "cn_iptcp:localhost[1972]:";
    QTest::newRow("namespace with quote") << "cn_iptcp:localhost[1972]:TOL'VAN";
    QTest::newRow("trailing text") << "cn_iptcp:localhost[1972]:TOLVAN x";
    QTest::newRow("trailing line feed") << "cn_iptcp:[1972]:TOLVAN\n";
    QTest::newRow("unreachable server") << "cn_iptcp:127.0.0.1[1]:TOLVAN";
}

void TestFactory::connectFailsCleanly()
{
    QFETCH(QString, connectString);
    QVERIFY(!m_factory.connect(connectString));
    QVERIFY(!m_factory.connected());
    QVERIFY(!m_factory.lastConnectError().isEmpty());
    QCOMPARE(raised([&] { m_factory.createObject("TV.Windows"); }).number(),
             ServerError::NotConnected);
}

void TestFactory::connectFailsOnMissingOrForeignFiles()
{
    if (m_db.isPostgres()) {
        QString wrongDatabase = m_db.connectString();
        wrongDatabase.replace(QRegularExpression(":[A-Z0-9_]+\\z"), ":NOSUCHNAMESPACE");
        QVERIFY(!m_factory.connect(wrongDatabase));
        const QByteArray user = qgetenv("PGUSER");
        qputenv("PGUSER", "nosuchrole");
        QVERIFY(!m_factory.connect(m_db.connectString()));
        qputenv("PGUSER", user);
        return;
    }
    const QByteArray database = qgetenv("TOLVAN_DATABASE");
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.db");
    qputenv("TOLVAN_DATABASE", missing.toLocal8Bit());
    QVERIFY(!m_factory.connect(m_db.connectString()));
    QVERIFY(!QFile::exists(missing));

    const QString text = dir.filePath("notes.txt");
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Dies ist keine Datenbank.\n");
    file.close();
    qputenv("TOLVAN_DATABASE", text.toLocal8Bit());
    QVERIFY(!m_factory.connect(m_db.connectString()));
    QFile check(text);
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), "Dies ist keine Datenbank.\n");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"notes.txt"});

    const QString empty = dir.filePath("leer.db");
    QFile(empty).open(QIODevice::WriteOnly);
    qputenv("TOLVAN_DATABASE", empty.toLocal8Bit());
    QVERIFY(!m_factory.connect(m_db.connectString()));
    QVERIFY2(m_factory.lastConnectError().contains("keine Datenbank"),
             qPrintable(m_factory.lastConnectError()));
    QCOMPARE(QFileInfo(empty).size(), 0);

    {
        auto other = openSqlite(dir.filePath("other.db"), true);
        other->execScript("PRAGMA journal_mode = DELETE");
        other->execScript("CREATE TABLE t (x TEXT)");
    }
    qputenv("TOLVAN_DATABASE", dir.filePath("other.db").toLocal8Bit());
    QVERIFY(!m_factory.connect(m_db.connectString()));
    m_factory.disconnect();
    // Nothing created beside the foreign files, their journal mode unchanged.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             QStringList({"leer.db", "notes.txt", "other.db"}));
    qputenv("TOLVAN_DATABASE", database);
}

void TestFactory::embeddedFilesThatCannotServe()
{
    if (m_db.isPostgres())
        QSKIP("the embedded database only");
    const QByteArray database = qgetenv("TOLVAN_DATABASE");
    struct Restore {
        QByteArray value;
        ~Restore() { qputenv("TOLVAN_DATABASE", value); }
    } restore{database};
    m_factory.disconnect();
    QTemporaryDir dir;
    const auto copy = [&](const QString &name) {
        const QString path = dir.filePath(name);
        auto source = openSqlite(QString::fromLocal8Bit(database), false);
        source->exec("VACUUM INTO $1", {path});
        qputenv("TOLVAN_DATABASE", path.toLocal8Bit());
        return path;
    };
    const auto immutable = [](const QString &path, bool on) {
        return QProcess::execute("chattr", {on ? "+i" : "-i", path}) == 0;
    };

    // Corrupt: said as such, not "no TOLVAN database".
    const QString corrupt = copy("kaputt.db");
    QFile file(corrupt);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.seek(100);
    file.write(QByteArray(8000, '\x5A'));
    file.close();
    QVERIFY(!m_factory.connect(m_db.connectString()));
    QVERIFY2(m_factory.lastConnectError().contains("beschädigt") ||
                 m_factory.lastConnectError().contains("keine Datenbank"),
             qPrintable(m_factory.lastConnectError()));

    // A file that cannot be written: refused at connect, not at the first write.
    const QString locked = copy("gesperrt.db");
    if (!immutable(locked, true))
        QSKIP("chattr is not available here");
    const bool refusedFile = !m_factory.connect(m_db.connectString());
    const QString fileError = m_factory.lastConnectError();
    immutable(locked, false);
    QVERIFY(refusedFile);
    QVERIFY2(fileError.contains("schreibgeschützt") && !fileError.contains("not an error"),
             qPrintable(fileError));

    // A folder in which nothing can be created (the write-ahead log).
    QDir(dir.path()).mkdir("ordner");
    const QString inFolder = copy("ordner/daten.db");
    QVERIFY(immutable(dir.filePath("ordner"), true));
    const bool refusedFolder = !m_factory.connect(m_db.connectString());
    const QString folderError = m_factory.lastConnectError();
    immutable(dir.filePath("ordner"), false);
    QVERIFY(refusedFolder);
    QVERIFY2(folderError.contains("lässt sich nicht öffnen"), qPrintable(folderError));
    Q_UNUSED(inFolder);
}

void TestFactory::disconnectEndsEveryObject()
{
    auto user = m_factory.openId("TV.ParPersEdv", "1||DEMO");
    auto windows = m_factory.createObject("TV.Windows");
    m_factory.disconnect();
    QVERIFY(!m_factory.connected());
    QCOMPARE(raised([&] { user->property("PNAME"); }).number(), ServerError::NotConnected);
    QCOMPARE(raised([&] { windows->call("Xecute", {"W 1"}); }).number(), ServerError::NotConnected);
    QCOMPARE(raised([&] { m_factory.openId("TV.ParPersEdv", "1||DEMO"); }).number(),
             ServerError::NotConnected);
    windows->call("sys_Close"); // finishing an object needs no connection
    m_factory.disconnect();     // twice is harmless
}

void TestFactory::resultSetsOutliveTheirConnection()
{
    // A result set abandoned by a later call, then the connection closed, then
    // the result set used and destroyed: closed, never freed memory.
    QString firm = "1", branch = "0";
    QVariant key = m_factory.createObject("DRAVONIK.Lager")
                       ->call("liste", {Arg::ref(firm), Arg::ref(branch), "999"});
    auto abandoned = m_factory.openClassQuery("TV.XW", "Liste");
    abandoned->execute(key);
    QVERIFY(abandoned->next());
    m_factory.createObject("DRAVONIK.Lager")->call("LName", {Arg::ref(firm), "100"});
    auto active = m_factory.openClassQuery("TV.XW", "Liste");
    active->execute(key);
    auto unexecuted = m_factory.openClassQuery("TV.XW", "Liste");
    m_factory.disconnect();
    for (ResultSet *rows : {abandoned.get(), active.get(), unexecuted.get()}) {
        QCOMPARE(raised([&] { rows->next(); }).number(), ServerError::NotConnected);
        rows->close(); // succeeds, as "sys_Close" does
        QCOMPARE(raised([&] { rows->next(); }).number(), ServerError::ObjectClosed);
    }
    abandoned.reset();
    active.reset();
    unexecuted.reset();
}

void TestFactory::storedObjects()
{
    auto user = m_factory.openId("TV.ParPersEdv", "1||DEMO");
    QCOMPARE(user->className(), "TV.ParPersEdv");
    QCOMPARE(user->property("Passwort").toString(), "demo");
    QCOMPARE(user->property("AKTIV").toString(), "J");
    QCOMPARE(user->property("PNR").toString(), "1001");
    QCOMPARE(user->property("AbtNr").toString(), "10");
    QCOMPARE(user->property("DW").toString(), "214");
    QCOMPARE(user->property("BERGRP").toString(), "FILIALE");
    QCOMPARE(user->call("PNAMELogicalToODBC", {user->property("PNAME")}).toString(),
             "Erika Musterfrau");
    // Late binding: member names in any case.
    QCOMPARE(user->property("pname").toString(), "Erika Musterfrau");

    auto department = m_factory.openId("TV.ParPersAbt", "1||20");
    QCOMPARE(department->call("ABTBEZlogicaltoodbc", {department->property("abtbez")}).toString(),
             "Lager & Logistik");
    QCOMPARE(department->property("HAbtNr").toString(), "1");

    auto person = m_factory.openId("TV.PersBasis", "1||1003");
    QCOMPARE(person->property("fax").toString(), "+49 30 5550-1003");
    QCOMPARE(person->call("EMailLogicalToODBC", {person->property("EMAIL")}).toString(),
             "juergen.klein@example.com");

    QCOMPARE(m_factory.openId("TV.ParPersEdv", "2||MEIER")->property("PNAME").toString(),
             "Sabine Meier");
}

void TestFactory::storedObjectIdsFindOnlyWholeKeys_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("other firm") << "2||DEMO";
    QTest::newRow("lower case code") << "1||demo";
    QTest::newRow("no separator") << "1DEMO";
    QTest::newRow("empty firm") << "||DEMO";
    QTest::newRow("empty code") << "1||";
    QTest::newRow("separator in a part") << "1||DEMO||X";
    QTest::newRow("ambiguous separator") << "1|||DEMO";
    QTest::newRow("SQL quote") << "1||DEMO' OR '1'='1";
    QTest::newRow("SQL comment") << "1||DEMO'--";
    QTest::newRow("LIKE pattern") << "1||%";
    QTest::newRow("padded") << " 1||DEMO";
}

void TestFactory::storedObjectIdsFindOnlyWholeKeys()
{
    QFETCH(QString, id);
    const ServerError error = raised([&] { m_factory.openId("TV.ParPersEdv", id); });
    QCOMPARE(error.number(), ServerError::ObjectNotFound);
    QVERIFY2(error.description().contains(id), qPrintable(error.description()));
}

void TestFactory::membersThatDoNotExist()
{
    const auto check = [](const ServerError &error, qint32 number, const char *named) {
        QCOMPARE(error.number(), number);
        QVERIFY2(error.description().contains(QLatin1String(named)),
                 qPrintable(error.description()));
    };
    check(raised([&] { m_factory.openId("TV.Nichts", "1||DEMO"); }), ServerError::UnknownClass,
          "TV.Nichts");
    check(raised([&] { m_factory.createObject("tv.windows"); }), ServerError::UnknownClass,
          "tv.windows");
    check(raised([&] { m_factory.openClassQuery("TV.XW", "Alles"); }), ServerError::UnknownQuery,
          "Alles");
    check(raised([&] { m_factory.openClassQuery("TV.YY", "Liste"); }), ServerError::UnknownClass,
          "TV.YY");
    check(raised([&] { m_factory.createObject("TV.ParPersEdv"); }), ServerError::InvalidOperation,
          "TV.ParPersEdv");
    auto user = m_factory.openId("TV.ParPersEdv", "1||DEMO");
    check(raised([&] { user->property("Gehalt"); }), ServerError::UnknownProperty, "Gehalt");
    check(raised([&] { user->call("%Save"); }), ServerError::UnknownMethod, "%Save");
    auto lager = m_factory.createObject("DRAVONIK.Lager");
    check(raised([&] { lager->call("LName", {"1"}); }), ServerError::InvalidArgument, "LName");
}

void TestFactory::closedObjects()
{
    auto user = m_factory.openId("TV.ParPersEdv", "1||DEMO");
    user->call("sys_Close");
    QCOMPARE(raised([&] { user->property("PNAME"); }).number(), ServerError::ObjectClosed);
    QCOMPARE(raised([&] { user->call("sys_Close"); }).number(), ServerError::ObjectClosed);

    auto rows = m_factory.openClassQuery("TV.XW", "Liste");
    QCOMPARE(raised([&] { rows->next(); }).number(), ServerError::InvalidOperation);
    rows->close();
    QCOMPARE(raised([&] { rows->next(); }).number(), ServerError::ObjectClosed);
    QByteArray bytes;
    QCOMPARE(raised([&] { rows->appendUtf8(1, bytes); }).number(), ServerError::ObjectClosed);
}

void TestFactory::supplierName()
{
    QString firm = "1";
    auto lager = m_factory.createObject("DRAVONIK.Lager");
    QCOMPARE(lager->call("LName", {Arg::ref(firm), "200"}).toString(),
             "Müller & Söhne Haushaltswaren KG");
    QCOMPARE(lager->call("LName", {Arg::ref(firm), "4711"}).toString(), "");
    QCOMPARE(lager->call("LName", {Arg::ref(firm), ""}).toString(), "");
    firm = "2";
    QCOMPARE(lager->call("LName", {Arg::ref(firm), "100"}).toString(), "Hanse Import AG");
    QCOMPARE(lager->call("LName", {Arg::ref(firm), "200"}).toString(), "");
}

void TestFactory::referenceArgumentsAreWrittenBack()
{
    auto lager = m_factory.createObject("DRAVONIK.Lager");
    QString firm = "01";
    QString branch = "000";
    QString supplier = "0100";
    QCOMPARE(lager->call("LName", {Arg::ref(firm), supplier}).toString(), "");
    QCOMPARE(firm, "1"); // the server's canonical firm number replaces the caller's
    QVariant key = lager->call("liste", {Arg::ref(firm), Arg::ref(branch), supplier});
    QCOMPARE(branch, "0");
    QCOMPARE(supplier, "0100"); // by value: untouched
    QVariant variantFirm = "1.0";
    lager->call("LName", {Arg::ref(variantFirm), "100"});
    QCOMPARE(variantFirm.toString(), "1");
    QString name = "Firma A";
    lager->call("LName", {Arg::ref(name), "100"});
    QCOMPARE(name, "Firma A");
    // A line feed after the digits makes a text, not a number.
    QString withLineFeed = "00\n";
    lager->call("LName", {Arg::ref(withLineFeed), "100"});
    QCOMPARE(withLineFeed, "00\n");
}

void TestFactory::stockListQuery()
{
    QCOMPARE(stockList(m_factory, "1", "0", "100"),
             QStringList({"100-0001\nHolzeisenbahn, 24-teilig\n4006381333931\n12",
                          "100-0002\nPlüschbär \"Bruno\" 30 cm\n4012345678901\n5",
                          "100-0003\nKreisel Ø 8 cm\n\n7",
                          "100-0004\nBauklötze Größe L\n4098765432109\n0",
                          "100-0005\nGeschenkgutschein 10 €\n\n0"}));
    QCOMPARE(stockList(m_factory, "1", "1", "100").mid(0, 3),
             QStringList({"100-0001\nHolzeisenbahn, 24-teilig\n4006381333931\n2",
                          "100-0002\nPlüschbär \"Bruno\" 30 cm\n4012345678901\n1",
                          "100-0003\nKreisel Ø 8 cm\n\n0"}));
    QCOMPARE(stockList(m_factory, "2", "0", "100"),
             QStringList{"100-0001\nTeeservice Porzellan\n4022222222222\n9"});
    QVERIFY(stockList(m_factory, "1", "0", "400").isEmpty());
    QVERIFY(stockList(m_factory, "1", "0", "4711").isEmpty());

    auto rows = m_factory.openClassQuery("TV.XW", "Liste");
    QVariant forged = "1||0||100";
    QCOMPARE(raised([&] { rows->execute(forged); }).number(), ServerError::InvalidArgument);
    QString firm = "1", branch = "0";
    QVariant key = m_factory.createObject("DRAVONIK.Lager")
                       ->call("liste", {Arg::ref(firm), Arg::ref(branch), "300"});
    rows->execute(key);
    QByteArray bytes;
    QCOMPARE(raised([&] { rows->data(1); }).number(), ServerError::InvalidOperation);
    QCOMPARE(raised([&] { rows->appendUtf8(1, bytes); }).number(), ServerError::InvalidOperation);
    QVERIFY(rows->next());
    QCOMPARE(raised([&] { rows->data(2); }).number(), ServerError::InvalidArgument);
    QCOMPARE(raised([&] { rows->appendUtf8(2, bytes); }).number(), ServerError::InvalidArgument);
    QVERIFY(bytes.isEmpty());
    // Executing again starts over.
    rows->execute(key);
    QVERIFY(rows->next());
    QVERIFY(rows->data(1).toString().startsWith("300-0001\n"));
    rows->close();
}

void TestFactory::branchesThatDoNotExistListNothing_data()
{
    QTest::addColumn<QString>("firm");
    QTest::addColumn<QString>("branch");
    QTest::addColumn<int>("rows");
    QTest::newRow("branch 0") << "1"
                              << "0" << 5;
    QTest::newRow("branch 1: articles without stock count 0") << "1"
                                                              << "1" << 5;
    QTest::newRow("branch 00 is branch 0") << "01"
                                           << "00" << 5;
    QTest::newRow("empty branch") << "1"
                                  << "" << 0;
    QTest::newRow("branch of no firm") << "1"
                                       << "7" << 0;
    QTest::newRow("padded") << "1"
                            << " 0" << 0;
    QTest::newRow("signed") << "1"
                            << "-0" << 0;
    QTest::newRow("another firm's branch number") << "2"
                                                  << "1" << 0;
    QTest::newRow("a trailing line feed") << "1"
                                          << "0\n" << 0;
    QTest::newRow("a NUL") << "1" << QStringLiteral("0") + QChar(u'\0') << 0;
}

void TestFactory::branchesThatDoNotExistListNothing()
{
    QFETCH(QString, firm);
    QFETCH(QString, branch);
    QFETCH(int, rows);
    QCOMPARE(stockList(m_factory, firm, branch, "100").size(), rows);
    // The branches that list nothing are the ones the server does not know.
    QCOMPARE(m_factory.createObject("DRAVONIK.Lager")->call("HatFiliale", {firm, branch}).toBool(),
             rows > 0);
}

void TestFactory::firmNumbersInIds_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("found");
    QTest::newRow("1") << "1||DEMO" << true;
    QTest::newRow("01, as the stored firm may be") << "01||DEMO" << true;
    QTest::newRow("1.0") << "1.0||DEMO" << true;
    QTest::newRow("signed: not a number") << "+1||DEMO" << false;
    QTest::newRow("padded: not a number") << " 1||DEMO" << false;
    QTest::newRow("the key is not a number") << "1||0DEMO" << false;
}

void TestFactory::firmNumbersInIds()
{
    QFETCH(QString, id);
    QFETCH(bool, found);
    const ServerError error = raised([&] { m_factory.openId("TV.ParPersEdv", id); });
    QCOMPARE(error.number(), found ? 0 : int(ServerError::ObjectNotFound));
}

void TestFactory::textsWithNulNameNothing()
{
    // The same answer on both engines: a text with NUL names no supplier, no user.
    QString firm = "1";
    auto lager = m_factory.createObject("DRAVONIK.Lager");
    const QString nul = QString(QChar(u'\0'));
    QCOMPARE(lager->call("LName", {Arg::ref(firm), "100" + nul + "xyz"}).toString(), "");
    QString nulFirm = "1" + nul;
    QCOMPARE(lager->call("LName", {Arg::ref(nulFirm), "100"}).toString(), "");
    QCOMPARE(raised([&] { m_factory.openId("TV.ParPersEdv", "1||DEMO" + nul + "X"); }).number(),
             ServerError::ObjectNotFound);
    QVERIFY(stockList(m_factory, "1", "0", "100" + nul).isEmpty());
    QVERIFY(stockList(m_factory, "1", "0" + nul, "100").isEmpty());
}

void TestFactory::unfinishedBulkLoadLeavesTheEngineUsable()
{
    Engine &engine = m_db.engine();
    {
        Transaction transaction(engine);
        auto loader = engine.bulkLoad("m_global", {"name", "subscripts", "value"});
        loader->add({"ABBRUCH", "1", "x"});
    } // neither finished nor committed
    QCOMPARE(engine.scalar("SELECT count(*) FROM m_global WHERE name = 'ABBRUCH'"), "0");
    QCOMPARE(engine.scalar("SELECT 1 + 1"), "2");
}

void TestFactory::resultSetOrder()
{
    const QStringList rows = stockList(m_factory, "1", "0", "999");
    QCOMPARE(rows.size(), 30);
    QCOMPARE(rows.first(), "999-0000001\nTestartikel 1 Größe M\n2000000000001\n1");
    QCOMPARE(rows.at(9), "999-0000010\nTestartikel 10 Größe M\n\n10");
    QStringList sorted = rows;
    sorted.sort();
    QCOMPARE(rows, sorted);
    QCOMPARE(stockList(m_factory, "1", "0", "999"), rows); // stable
}

void TestFactory::resultSetsClosedEarlyOrInterleaved()
{
    QString firm = "1", branch = "0";
    QVariant key = m_factory.createObject("DRAVONIK.Lager")
                       ->call("liste", {Arg::ref(firm), Arg::ref(branch), "999"});
    auto early = m_factory.openClassQuery("TV.XW", "Liste");
    early->execute(key);
    QVERIFY(early->next());
    early->close();
    QCOMPARE(stockList(m_factory, "1", "0", "999").size(), 30);

    // A second query while the first is still open: the second is complete,
    // and the first either goes on correctly or fails; it never delivers wrong rows.
    auto first = m_factory.openClassQuery("TV.XW", "Liste");
    first->execute(key);
    QVERIFY(first->next());
    QCOMPARE(stockList(m_factory, "1", "0", "300").size(), 3);
    try {
        int rows = 1;
        while (first->next()) {
            QVERIFY(first->data(1).toString().startsWith("999-"));
            ++rows;
        }
        QCOMPARE(rows, 30);
    } catch (const ServerError &error) {
        QCOMPARE(error.number(), ServerError::DatabaseFailure);
    }
    QCOMPARE(m_factory.openId("TV.ParPersEdv", "1||DEMO")->property("AKTIV").toString(), "J");
}

void TestFactory::commandLines()
{
    auto windows = m_factory.createObject("TV.Windows");
    const QString before = count("connection_log");
    QCOMPARE(windows->call("Xecute", {"S FIRMA=1,FIL=0,PERSONAL=\"DEMO\""}).toString(), "");
    QCOMPARE(windows->call("Xecute", {"D ^%XTT"}).toString(), "");
    QCOMPARE(count("connection_log").toInt(), before.toInt() + 1);
    QCOMPARE(m_db.engine().scalar("SELECT firm || '/' || branch || '/' || personnel FROM "
                                  "connection_log ORDER BY connected_at DESC"),
             "1/0/DEMO");
    QCOMPARE(windows->call("Xecute", {"S P0=$P(^FA(0),\"`\",2) W P0"}).toString(), "2026");

    const ServerError protect = raised([&] { windows->call("Xecute", {"S ^FA(0)=\"x\""}); });
    QCOMPARE(protect.number(), ServerError::MError);
    QVERIFY(protect.description().startsWith("<PROTECT>"));
    QCOMPARE(
        m_db.engine().scalar("SELECT value FROM m_global WHERE name = 'FA' AND subscripts = '0'"),
        "TOLVAN Handelsgesellschaft mbH`2026`EUR`Berlin");
    QVERIFY(raised([&] { windows->call("Xecute", {"D ^ZAP"}); })
                .description()
                .startsWith("<NOROUTINE>"));

    // A line with a syntax error runs nothing: no log row, no variable.
    const QString logged = count("connection_log");
    QVERIFY(raised([&] { windows->call("Xecute", {"D ^%XTT,^%XTT,^%XTT S X=1 W 1)"}); })
                .description()
                .startsWith("<SYNTAX>"));
    QCOMPARE(count("connection_log"), logged);
    QCOMPARE(windows->call("Xecute", {"W $G(X,\"-\")"}).toString(), "-");
}

void TestFactory::localsLiveAsLongAsTheConnection()
{
    m_factory.createObject("TV.Windows")->call("Xecute", {"S FIRMA=1,PERSONAL=\"DEMO\""});
    QCOMPARE(m_factory.createObject("TV.Windows")->call("Xecute", {"W PERSONAL"}).toString(),
             "DEMO");
    QVERIFY(m_factory.connect(m_db.connectString()));
    QCOMPARE(
        m_factory.createObject("TV.Windows")->call("Xecute", {"W $G(PERSONAL,\"-\")"}).toString(),
        "-");
    // Each factory has a connection of its own.
    Factory other;
    QVERIFY(other.connect(m_db.connectString()));
    other.createObject("TV.Windows")->call("Xecute", {"S PERSONAL=\"ANDERER\""});
    QCOMPARE(
        m_factory.createObject("TV.Windows")->call("Xecute", {"W $G(PERSONAL,\"-\")"}).toString(),
        "-");
}

void TestFactory::hostileTextChangesNothing()
{
    const QStringList tables{"supplier", "article", "stock", "par_pers_edv", "m_global"};
    QStringList before;
    for (const QString &table : tables)
        before << count(table.toLatin1().constData());

    QString firm = "1' OR '1'='1";
    auto lager = m_factory.createObject("DRAVONIK.Lager");
    for (const char *supplier :
         {"100' OR '1'='1", "100; DELETE FROM supplier; --", "100'--", "%", "100\n", "'||'"}) {
        QCOMPARE(lager->call("LName", {Arg::ref(firm), supplier}).toString(), "");
        QVERIFY(stockList(m_factory, "1", "0", supplier).isEmpty());
    }
    auto windows = m_factory.createObject("TV.Windows");
    for (const char *line : {"S X=\"'; DROP TABLE supplier; --\" W X", "W ^FA(\"0' OR '1'='1\")",
                             "W ^FA(0)_\"--\"", "S ^FA(0)=\"\" ; DELETE"}) {
        try {
            windows->call("Xecute", {line});
        } catch (const ServerError &) {
        }
    }
    QStringList after;
    for (const QString &table : tables)
        after << count(table.toLatin1().constData());
    QCOMPARE(after, before);
    QCOMPARE(lager->call("LName", {"1", "100"}).toString(), "Nordwind Spielwaren GmbH");
}

void TestFactory::lineBreaksInsideValuesKeepFourFields()
{
    const QStringList articles[] = {
        {"600-1", "Zeile1\nZeile2", "4000000000001"},
        {"600-2", "Zeile1\r\nZeile2\r", "4000000000002"},
        {"600-3", "Zeile1\rZeile2", "4000000000003\n"},
    };
    for (const QStringList &article : articles)
        m_db.engine().exec("INSERT INTO article (firm, article_no, supplier_no, description, ean) "
                           "VALUES ('1', $1, '600', $2, $3)",
                           {article[0], article[1], article[2]});
    const QStringList rows = stockList(m_factory, "1", "0", "600");
    QCOMPARE(rows, QStringList({"600-1\nZeile1 Zeile2\n4000000000001\n0",
                                "600-2\nZeile1  Zeile2 \n4000000000002\n0",
                                "600-3\nZeile1 Zeile2\n4000000000003 \n0"}));
    for (const QString &row : rows) {
        QCOMPARE(row.split(u'\n').size(), 4);
        QVERIFY(row.split(u'\n').at(2).startsWith("400000000000"));
    }
}

// What the export without a window asks for: the same rows as the list, in
// the same order, with only the EAN and quantity it writes.
void TestFactory::exportListIsTheListsEanAndQuantity()
{
    m_db.engine().exec("INSERT INTO article (firm, article_no, supplier_no, description, ean) "
                       "VALUES ('1', '100-0009', '100', 'Z', 'EAN\rmit\nUmbruch')");
    const QStringList keys[] = {{"1", "0", "100"}, {"1", "0", "200"}, {"2", "0", "100"},
                                {"1", "9", "100"}, {"1", "0", "999"}};
    for (const QStringList &key : keys) {
        QStringList expected;
        for (const QString &row : stockList(m_factory, key[0], key[1], key[2])) {
            const QStringList fields = row.split(u'\n');
            expected << QStringLiteral("\n\n") + fields[2] + u'\n' + fields[3];
        }
        QCOMPARE(stockList(m_factory, key[0], key[1], key[2], "Exportliste"), expected);
    }
    QVERIFY(stockList(m_factory, "1", "0", "100", "Exportliste").contains("\n\nEAN mit Umbruch\n0"));
}

void TestFactory::articleNumbersInByteOrder()
{
    // The order of the UTF-8 bytes, whatever collation the database was created with.
    const QStringList numbers{"ä-1", "_1", "B-1", "a-1", "9", "Z-1", "10"};
    const QStringList byteOrder{"10", "9", "B-1", "Z-1", "_1", "a-1", "ä-1"};
    const auto load = [&](Engine &engine) {
        for (const QString &number : numbers)
            engine.exec(
                "INSERT INTO article (firm, article_no, supplier_no) VALUES ('1', $1, '700')",
                {number});
    };
    const auto listed = [](Factory &factory) {
        QStringList result;
        for (const QString &row : stockList(factory, "1", "0", "700"))
            result << row.section(u'\n', 0, 0);
        return result;
    };
    if (!m_db.isPostgres()) {
        load(m_db.engine());
        QCOMPARE(listed(m_factory), byteOrder);
        return;
    }
    // German collation by ICU, which needs no locale installed on the machine.
    const QString name = QStringLiteral("tolvan_de%1").arg(QCoreApplication::applicationPid());
    const auto open = [](const QString &database) {
        return openPostgres(qEnvironmentVariable("PGHOST"), qEnvironmentVariableIntValue("PGPORT"),
                            database);
    };
    auto admin = open("postgres");
    admin->exec("DROP DATABASE IF EXISTS " + name.toStdString() + " WITH (FORCE)");
    admin->exec("CREATE DATABASE " + name.toStdString() +
                " TEMPLATE template0 LOCALE_PROVIDER icu ICU_LOCALE 'de-DE' LOCALE 'C.UTF-8'");
    const auto dropDatabase = qScopeGuard(
        [&] { admin->exec("DROP DATABASE IF EXISTS " + name.toStdString() + " WITH (FORCE)"); });
    {
        auto german = open(name);
        schema::create(*german);
        loadDemoData(*german, 0, [](const QString &) {});
        load(*german);
        QCOMPARE(german->scalar("SELECT string_agg(article_no, ' ' ORDER BY article_no) FROM "
                                "article WHERE supplier_no = '700'"),
                 "_1 10 9 a-1 ä-1 B-1 Z-1"); // the database's own order differs
    }
    Factory factory;
    QVERIFY(factory.connect(QStringLiteral("cn_iptcp:%1[%2]:%3")
                                .arg(m_db.serverAddress(), m_db.port(), name.toUpper())));
    QCOMPARE(listed(factory), byteOrder);
}

void TestFactory::identitiesWithNulAreNotLogged()
{
    // The same on both engines: PostgreSQL could store the text only up to the NUL.
    auto windows = m_factory.createObject("TV.Windows");
    const QString before = count("connection_log");
    const QString nul(QChar(u'\0'));
    for (const QString &identity :
         {"S FIRMA=1,FIL=0,PERSONAL=\"DE" + nul + "MO\"", "S FIRMA=\"1" + nul + "\",FIL=0"}) {
        windows->call("Xecute", {identity});
        QCOMPARE(windows->call("Xecute", {"D ^%XTT"}).toString(), "");
    }
    QCOMPARE(count("connection_log"), before);
}

void TestFactory::connectingAndReadingDuringAReload()
{
    // A reader that would wait for the reload's locks fails instead of hanging.
    qputenv("PGOPTIONS", "-c lock_timeout=3000");
    const auto restore = qScopeGuard([] { qunsetenv("PGOPTIONS"); });
    QString failure;
    QStringList seen;
    replaceWithDemoData(m_db.engine(), 30, [&](const QString &) {
        if (!seen.isEmpty() || !failure.isEmpty())
            return;
        try {
            Factory reader;
            if (!reader.connect(m_db.connectString())) {
                failure = reader.lastConnectError();
                return;
            }
            auto windows = reader.createObject("TV.Windows");
            windows->call("Xecute", {"S FIRMA=1,FIL=0,PERSONAL=\"DEMO\""});
            windows->call("Xecute", {"D ^%XTT"});
            seen = stockList(reader, "1", "0", "999");
        } catch (const ServerError &error) {
            failure = error.description();
        }
    });
    QCOMPARE(failure, QString());
    QCOMPARE(seen.size(), 30); // the old data: the new ones were not yet loaded
    QCOMPARE(stockList(m_factory, "1", "0", "999").size(), 30);
}

void TestFactory::secondConnectionKeepsTheLocksOfTheFirst()
{
    if (m_db.isPostgres())
        QSKIP("the embedded database only");
    const QString shell = QStandardPaths::findExecutable("sqlite3");
    if (shell.isEmpty())
        QSKIP("no sqlite3 shell to play the other program");
    // Connecting anew while a connection is open (the idle timer's reconnect,
    // a reader beside a writer) must not release the open one's locks: the
    // last program to close a database removes its write-ahead log, and
    // would do so under a connection it cannot see.
    const QString file = qEnvironmentVariable("TOLVAN_DATABASE");
    m_db.engine().exec("INSERT INTO connection_log (connected_at, firm, branch, personnel) "
                       "VALUES ('2026-01-01T00:00:00Z', '1', '0', 'TEST')");
    Factory second;
    QVERIFY(second.connect(m_db.connectString()));
    QProcess other;
    other.start(shell, {file, "SELECT count(*) FROM article"});
    QVERIFY(other.waitForFinished(30000));
    QCOMPARE(other.exitCode(), 0);
    QVERIFY(QFile::exists(file + "-wal"));
    QCOMPARE(stockList(m_factory, "1", "0", "100").size(), 5);
    QCOMPARE(stockList(second, "1", "0", "100").size(), 5);
}

void TestFactory::concurrentConnectsAreAllLogged()
{
    // Programs started together all write their row: each waits briefly for
    // the others' short writes instead of dropping its own. (Played by
    // threads, one connection each; under wine the threads crash the test
    // binary, the Windows program itself never connects from two threads.)
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
        QSKIP("threads of one test binary under wine");
    const QString before = count("connection_log");
    constexpr int Programs = 20;
    std::vector<std::thread> programs;
    std::atomic<int> connected = 0;
    for (int i = 0; i < Programs; ++i) {
        programs.emplace_back([&, i] {
            try {
                Factory factory;
                if (!factory.connect(m_db.connectString()))
                    return;
                auto windows = factory.createObject("TV.Windows");
                windows->call("Xecute", {QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"P%1\"").arg(i)});
                windows->call("Xecute", {"D ^%XTT"});
                ++connected;
            } catch (const ServerError &) {
            }
        });
    }
    for (std::thread &program : programs)
        program.join();
    QCOMPARE(connected.load(), Programs);
    QCOMPARE(count("connection_log").toInt(), before.toInt() + Programs);
}

void TestFactory::aFullServerIsBusyNotRefused()
{
    if (!m_db.isPostgres())
        QSKIP("an embedded database has no connection slots");
    Factory factory;
    QVERIFY(!factory.connect("cn_iptcp:127.0.0.1[1]:TOLVAN"));
    QVERIFY(!factory.lastConnectBusy()); // nobody listens: not a full server
    QVERIFY(!factory.connect(m_db.connectString() + "X"));
    QVERIFY(!factory.lastConnectBusy()); // no such database
    m_db.engine().exec("ALTER DATABASE " + m_db.connectString().section(u':', 2).toLower().toStdString() +
                       " CONNECTION LIMIT 0");
    const bool connected = factory.connect(m_db.connectString());
    m_db.engine().exec("ALTER DATABASE " + m_db.connectString().section(u':', 2).toLower().toStdString() +
                       " CONNECTION LIMIT -1");
    QVERIFY(!connected);
    QVERIFY(factory.lastConnectBusy());
    // The server's words, without the code and source line the check reads.
    const QString cause = factory.lastConnectError();
    QVERIFY2(cause.contains("FATAL:  too many connections for database") &&
                 !cause.contains("53300") && !cause.contains("proc") && !cause.contains('\n'),
             qPrintable(cause));
    QVERIFY(factory.connect(m_db.connectString()));
    QVERIFY(!factory.lastConnectBusy());
}

void TestFactory::stockListWithoutStatistics()
{
    if (!m_db.isPostgres())
        QSKIP("SQLite plans the same with and without statistics");
    // Loaded as a company would, never analysed. A plan that took the
    // articles for a handful would run for minutes; the guard ends it early.
    const QString name = QStringLiteral("tolvan_ns%1").arg(QCoreApplication::applicationPid());
    const auto open = [](const QString &database) {
        return openPostgres(qEnvironmentVariable("PGHOST"), qEnvironmentVariableIntValue("PGPORT"),
                            database);
    };
    auto admin = open("postgres");
    admin->exec("DROP DATABASE IF EXISTS " + name.toStdString() + " WITH (FORCE)");
    admin->exec("CREATE DATABASE " + name.toStdString());
    const auto dropDatabase = qScopeGuard(
        [&] { admin->exec("DROP DATABASE IF EXISTS " + name.toStdString() + " WITH (FORCE)"); });
    {
        auto fresh = open(name);
        schema::create(*fresh);
        for (const char *table : {"branch", "article", "stock"})
            fresh->execScript(std::string("ALTER TABLE ") + table +
                              " SET (autovacuum_enabled = false)");
        loadDemoData(*fresh, 20000, [](const QString &) {});
    }
    qputenv("PGOPTIONS", "-c statement_timeout=20000");
    const auto restore = qScopeGuard([] { qunsetenv("PGOPTIONS"); });
    Factory factory;
    QVERIFY(factory.connect(
        QStringLiteral("cn_iptcp:%1[%2]:%3").arg(m_db.serverAddress(), m_db.port(), name)));
    const QStringList rows = stockList(factory, "1", "0", "999");
    QCOMPARE(rows.size(), 20000);
    QCOMPARE(rows.last(), "999-0020000\nTestartikel 20000 Größe M\n\n0");
}

QTEST_GUILESS_MAIN(TestFactory)
#include "tst_factory.moc"
