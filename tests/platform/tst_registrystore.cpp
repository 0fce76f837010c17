// The settings store in the Windows registry (runs on Windows and under wine):
// every value written under a key of the test's own, deleted afterwards.

#include "RegistrySettingsStore.h"
#include "RuntimeError.h"
#include "TextUtils.h"

#include <QProcess>
#include <QUuid>
#include <QtTest>
#include <windows.h>

using namespace tolvan;

namespace {

const QString Application = QStringLiteral("Cache Login");
const QString Section = QStringLiteral("Login");

// Runs reg.exe as an administrator would; true when it succeeded.
bool reg(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("reg.exe"), arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

class TestRegistryStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void roundTrip_data();
    void roundTrip();
    void valuesAnAdministratorAdds_data();
    void valuesAnAdministratorAdds();
    void defaultsForEveryUser();
    void failingWriteRaisesTheError();

private:
    QString hivePath(const char *hive) const
    {
        return QString::fromLatin1(hive) + u'\\' + m_root + u'\\' + Application + u'\\' + Section;
    }
    DWORD storedType(const QString &key) const;

    QString m_root;
};

void TestRegistryStore::init()
{
    m_root = QStringLiteral("Software\\TOLVAN-Test-") + QUuid::createUuid().toString(QUuid::Id128);
}

void TestRegistryStore::cleanup()
{
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        RegDeleteTreeW(hive, m_root.toStdWString().c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, m_root.toStdWString().c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, m_root.toStdWString().c_str());
}

DWORD TestRegistryStore::storedType(const QString &key) const
{
    const std::wstring path = (m_root + u'\\' + Application + u'\\' + Section).toStdWString();
    DWORD type = 0;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &opened) ==
        ERROR_SUCCESS) {
        RegQueryValueExW(opened, key.toStdWString().c_str(), nullptr, &type, nullptr, nullptr);
        RegCloseKey(opened);
    }
    return type;
}

void TestRegistryStore::roundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "DEMO";
    QTest::newRow("empty") << "";
    QTest::newRow("umlauts") << "Regal 7, Süd – Größe ÄÖÜß";
    QTest::newRow("what QSettings would escape or split") << "@Variant(x), \"a;b\" \\n 3000,5";
    // The scrambling turns "Z" into NUL: inside the text and at its end.
    QTest::newRow("scrambled password with Z") << XorText("geZeim");
    QTest::newRow("scrambled password ending in Z") << XorText("demoZ");
    QTest::newRow("scrambled password of Z only") << XorText("ZZ");
}

void TestRegistryStore::roundTrip()
{
    QFETCH(QString, value);
    RegistrySettingsStore store(m_root);
    store.setValue({Application, Section, "Passwort"}, value);
    QCOMPARE(store.value({Application, Section, "Passwort"}, "(default)"), value);
    QCOMPARE(storedType("Passwort"), DWORD(REG_SZ));
    // A second store (the next start of the program) reads the same.
    QCOMPARE(RegistrySettingsStore(m_root).value({Application, Section, "Passwort"}, "(default)"),
             value);
}

void TestRegistryStore::valuesAnAdministratorAdds_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("expected");
    QTest::newRow("REG_SZ") << "REG_SZ"
                            << "db.example"
                            << "db.example";
    QTest::newRow("REG_SZ with blanks and umlauts") << "REG_SZ"
                                                    << "Regal 7, Süd"
                                                    << "Regal 7, Süd";
    QTest::newRow("REG_SZ beginning with @") << "REG_SZ"
                                             << "@server"
                                             << "@server";
    QTest::newRow("REG_EXPAND_SZ, as written") << "REG_EXPAND_SZ"
                                               << "%USERNAME%x"
                                               << "%USERNAME%x";
    QTest::newRow("REG_DWORD as its number") << "REG_DWORD"
                                             << "1972"
                                             << "1972";
    QTest::newRow("REG_BINARY is no text") << "REG_BINARY"
                                           << "0102"
                                           << "(default)";
}

void TestRegistryStore::valuesAnAdministratorAdds()
{
    QFETCH(QString, type);
    QFETCH(QString, data);
    QFETCH(QString, expected);
    QVERIFY(reg({"add", hivePath("HKCU"), "/v", "Server", "/t", type, "/d", data, "/f"}));
    QCOMPARE(RegistrySettingsStore(m_root).value({Application, Section, "Server", true}, "(default)"),
             expected);
}

void TestRegistryStore::defaultsForEveryUser()
{
    RegistrySettingsStore store(m_root);
    QVERIFY(reg({"add", hivePath("HKLM"), "/v", "Server", "/t", "REG_SZ", "/d", "zentral", "/f"}));
    QCOMPARE(store.value({Application, Section, "Server", true}, "(default)"), "zentral");
    QCOMPARE(store.value({Application, Section, "Port", true}, "1973"), "1973");
    // The user's own value wins, also an empty one.
    store.setValue({Application, Section, "Server", true}, "");
    QCOMPARE(store.value({Application, Section, "Server", true}, "(default)"), "");
    store.setValue({Application, Section, "Server", true}, "eigen");
    QCOMPARE(store.value({Application, Section, "Server", true}, "(default)"), "eigen");
    // Storing the administrator's value keeps following it.
    store.setValue({Application, Section, "Server", true}, "zentral");
    QVERIFY(reg({"add", hivePath("HKLM"), "/v", "Server", "/t", "REG_SZ", "/d", "neu", "/f"}));
    QCOMPARE(store.value({Application, Section, "Server", true}, "(default)"), "neu");
    // Every user can read HKEY_LOCAL_MACHINE: a name and password there are not a login.
    QVERIFY(reg({"add", hivePath("HKLM"), "/v", "Name", "/t", "REG_SZ", "/d", "CHEF", "/f"}));
    QVERIFY(reg({"add", hivePath("HKLM"), "/v", "Passwort", "/t", "REG_SZ", "/d", "x", "/f"}));
    QCOMPARE(store.value({Application, Section, "Name"}, "(default)"), "(default)");
    QCOMPARE(store.value({Application, Section, "Passwort"}, "(default)"), "(default)");
}

void TestRegistryStore::failingWriteRaisesTheError()
{
    // The registry refuses key names longer than 255 characters.
    const QString tooLong(300, u'x');
    RegistrySettingsStore store(m_root);
    try {
        store.setValue({tooLong, Section, "Name"}, "DEMO");
        QFAIL("the write did not fail");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), 75);
        QVERIFY2(error.description().startsWith("Pfad-/Dateizugriffsfehler: HKEY_CURRENT_USER\\" +
                                                m_root + u'\\' + tooLong),
                 qPrintable(error.description()));
    }
    QCOMPARE(store.value({tooLong, Section, "Name"}, "(default)"), "(default)");
}

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "tst_registrystore.moc"
