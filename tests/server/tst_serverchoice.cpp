// Which server a connection attempt goes to: the object server's factory, the
// component's engines, and the embedded database for an empty address always.

#include "ServerChoice.h"
#include "ServerError.h"
#include "TestDatabase.h"

#include <QtTest>

using namespace tolvan;
using Kind = ServerChoice::Kind;

Q_DECLARE_METATYPE(ServerChoice::Kind)

class TestServerChoice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void decide_data();
    void decide();
    void emptyAddressIsTheEmbeddedDatabase_data();
    void emptyAddressIsTheEmbeddedDatabase();
    void enginesAnswerAnAddress();
    void missingObjectServerIsAnError();

private:
    TestDatabase m_db;
};

void TestServerChoice::initTestCase()
{
    TOLVAN_REQUIRE_DATABASE(m_db);
}

void TestServerChoice::decide_data()
{
    QTest::addColumn<QString>("override");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<Kind>("kind");
    QTest::newRow("installed") << "" << true << Kind::ObjectServer;
    QTest::newRow("not installed") << "" << false << Kind::Engines;
    QTest::newRow("forced, not installed") << "objectserver" << false << Kind::ObjectServer;
    QTest::newRow("forced in capitals") << "ObjectServer" << false << Kind::ObjectServer;
    QTest::newRow("PostgreSQL though installed") << "postgres" << true << Kind::Engines;
    QTest::newRow("PostgreSQL in capitals") << "Postgres" << true << Kind::Engines;
    QTest::newRow("unknown value, installed") << "cache" << true << Kind::ObjectServer;
    QTest::newRow("unknown value, not installed") << "cache" << false << Kind::Engines;
}

void TestServerChoice::decide()
{
    QFETCH(QString, override);
    QFETCH(bool, installed);
    QFETCH(Kind, kind);
    QCOMPARE(ServerChoice::decide(override, installed), kind);
}

void TestServerChoice::emptyAddressIsTheEmbeddedDatabase_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("engines") << Kind::Engines;
    QTest::newRow("object server") << Kind::ObjectServer;
}

void TestServerChoice::emptyAddressIsTheEmbeddedDatabase()
{
    if (m_db.isPostgres())
        QSKIP("the embedded database only");
    QFETCH(Kind, kind);
    const QString embedded = QStringLiteral("cn_iptcp:[1972]:TOLVAN");
    std::unique_ptr<Factory> factory =
        ServerChoice(kind, QStringLiteral("Tolvan.GibtEsNicht")).newFactory(embedded);
    QVERIFY(factory->connect(embedded));
    QCOMPARE(factory->openId("TV.ParPersEdv", "1||DEMO")->property("AKTIV").toString(), "J");
}

void TestServerChoice::enginesAnswerAnAddress()
{
    // PostgreSQL at an address where nobody listens: a failed connect, no error.
    const QString remote = QStringLiteral("cn_iptcp:127.0.0.1[1]:TOLVAN");
    std::unique_ptr<Factory> factory =
        ServerChoice(Kind::Engines, QStringLiteral("Tolvan.GibtEsNicht")).newFactory(remote);
    QVERIFY(!factory->connect(remote));
    QVERIFY(!factory->lastConnectError().isEmpty());
}

void TestServerChoice::missingObjectServerIsAnError()
{
    // Never PostgreSQL in its place with the same login.
    const ServerChoice choice(Kind::ObjectServer, QStringLiteral("Tolvan.GibtEsNicht"));
    QVERIFY_THROWS_EXCEPTION(
        ServerError, choice.newFactory(QStringLiteral("cn_iptcp:objektserver[1972]:TOLVAN")));
    QVERIFY_THROWS_EXCEPTION(ServerError, choice.newFactory(QStringLiteral("kaputt")));
}

QTEST_GUILESS_MAIN(TestServerChoice)
#include "tst_serverchoice.moc"
