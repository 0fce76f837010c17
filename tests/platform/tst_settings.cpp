// The settings files as an administrator writes them by hand and as the
// program writes them, and who may read them.

#include "IniSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace tolvan;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

mode_t modeOf(const QString &path)
{
    struct stat status {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return status.st_mode & 07777;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void readAsWrittenByHand_data();
    void readAsWrittenByHand();
    void writtenValuesReadBack_data();
    void writtenValuesReadBack();
    void handWrittenValuesSurviveAWrite();
    void namesInAnyCase();
    void privateToTheUser();
    void looserFileMadePrivate_data();
    void looserFileMadePrivate();
    void defaultsForEveryUser_data();
    void defaultsForEveryUser();
    void storingTheDefaultKeepsFollowingIt();
    void defaultsFolderIsNeverWritten();
    void systemFoldersFromTheEnvironment();
};

void TestSettings::readAsWrittenByHand_data()
{
    QTest::addColumn<QByteArray>("line"); // in section [Export]
    QTest::addColumn<QString>("value");
    QTest::newRow("a comma") << QByteArray("Lagerort=Regal 7, Fach 3") << "Regal 7, Fach 3";
    QTest::newRow("a placement with a decimal comma")
        << QByteArray("Lagerort=3000,5|1500|9000|7230") << "3000,5|1500|9000|7230";
    QTest::newRow("quotes") << QByteArray("Lagerort=\"Regal 7\"") << "\"Regal 7\"";
    QTest::newRow("a quote inside") << QByteArray("Lagerort=Regal \"Nord") << "Regal \"Nord";
    QTest::newRow("semicolons") << QByteArray("Lagerort=Regal 7; Fach 3;") << "Regal 7; Fach 3;";
    QTest::newRow("backslashes") << QByteArray("Lagerort=C:\\Lager\\neu\\x41")
                                 << "C:\\Lager\\neu\\x41";
    QTest::newRow("umlauts in UTF-8")
        << QByteArray("Lagerort=Größe Süd, Außenlager") << "Größe Süd, Außenlager";
    QTest::newRow("blanks around the equals sign")
        << QByteArray("  Lagerort  =  Regal 7  ") << "Regal 7";
    QTest::newRow("an equals sign in the value") << QByteArray("Lagerort=a=b") << "a=b";
    QTest::newRow("an empty value") << QByteArray("Lagerort=") << "";
    QTest::newRow("a hash and percent signs") << QByteArray("Lagerort=#7 %20") << "#7 %20";
}

void TestSettings::readAsWrittenByHand()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, value);
    QTemporaryDir folder;
    IniSettingsStore store(folder.path());
    // As Notepad writes it: a byte order mark, CR LF, a comment, another section.
    writeFile(store.fileName("Dravonik"),
              "\xEF\xBB\xBF; von Hand\r\n[Andere]\r\nLagerort=falsch\r\n"
              "\r\n[Export]\r\n" +
                  line + "\r\nLiefnr=100\r\n");
    QCOMPARE(store.value({"Dravonik", "Export", "Lagerort", true}, "fehlt"), value);
    QCOMPARE(store.value({"Dravonik", "Export", "Liefnr", true}, "fehlt"), QString("100"));
}

void TestSettings::writtenValuesReadBack_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "Regal 7";
    QTest::newRow("commas, quotes, semicolons") << "\"a\", b; c";
    QTest::newRow("backslashes and brackets") << "C:\\x\\) (\\n";
    QTest::newRow("umlauts and euro") << "Größe €";
    QTest::newRow("blanks at both ends") << "  7  ";
    QTest::newRow("trailing blanks") << "Regal 7   ";
    QTest::newRow("line breaks") << "Zeile1\nZeile2\r\n";
    // The password's scrambling turns P, W, S and Z into these.
    QTest::newRow("what a scrambled password holds")
        << QString::fromUtf16(u"a\nb\rc\td\u0000e", 9);
    QTest::newRow("control characters") << QString::fromUtf16(u"\u0001\u001F\u007Fx\t");
    QTest::newRow("equals signs") << "=a=b=";
    QTest::newRow("a leading semicolon") << "; kein Kommentar";
    QTest::newRow("a leading hash") << "#7";
    QTest::newRow("a section's brackets") << "[Export]";
    QTest::newRow("quotes around") << "\"Regal 7\"";
    QTest::newRow("what looks like the escaped form") << "@Text(a\\nb)";
    QTest::newRow("other spaces at both ends") << QString::fromUtf16(u"\u00A0x\u2003");
    QTest::newRow("empty") << "";
}

// A second store on a copy of the written file: QSettings keeps what this
// process wrote in memory per file name, so only a copy is read from its bytes.
void TestSettings::writtenValuesReadBack()
{
    QFETCH(QString, value);
    QTemporaryDir folder;
    QTemporaryDir copy;
    IniSettingsStore store(folder.path());
    store.setValue({"Cache Login", "Login", "Passwort"}, value);
    store.setValue({"Cache Login", "Login", "Name"}, "DEMO");
    IniSettingsStore reader(copy.path());
    QVERIFY(QFile::copy(store.fileName("Cache Login"), reader.fileName("Cache Login")));
    QCOMPARE(reader.value({"Cache Login", "Login", "Passwort"}, "fehlt"), value);
    QCOMPARE(reader.value({"Cache Login", "Login", "Name"}, "fehlt"), QString("DEMO"));

    // Whatever the value holds, each key keeps a line of its own.
    QFile file(store.fileName("Cache Login"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.count('\n'), 3);
    QVERIFY2(!bytes.contains('\r') && !bytes.contains('\0'), bytes.constData());
}

void TestSettings::handWrittenValuesSurviveAWrite()
{
    QTemporaryDir folder;
    QTemporaryDir copy;
    IniSettingsStore store(folder.path());
    writeFile(store.fileName("WendmarZV"),
              "[Windowpos]\nFMDravonik=3000,5|1500|9000|7230\nInfo=C:\\x; \"y\"\n");
    store.setValue({"WendmarZV", "Windowpos", "Neu", true}, "1|2|3|4");
    IniSettingsStore reader(copy.path());
    QVERIFY(QFile::copy(store.fileName("WendmarZV"), reader.fileName("WendmarZV")));
    QCOMPARE(reader.value({"WendmarZV", "Windowpos", "FMDravonik", true}, ""),
             QString("3000,5|1500|9000|7230"));
    QCOMPARE(reader.value({"WendmarZV", "Windowpos", "Info", true}, ""), QString("C:\\x; \"y\""));
    QCOMPARE(reader.value({"WendmarZV", "Windowpos", "Neu", true}, ""), QString("1|2|3|4"));
}

// A section or key spelt by hand in other letters is the same setting: read
// under any spelling and written back under the file's own, never doubled.
void TestSettings::namesInAnyCase()
{
    QTemporaryDir folder;
    IniSettingsStore store(folder.path());
    const QString file = store.fileName("Dravonik");
    writeFile(file, "[export]\nliefnr=200\n[Login]\nUSER=4711\n");
    QCOMPARE(store.value({"Dravonik", "Export", "Liefnr", true}, "-"), QString("200"));
    QCOMPARE(store.value({"Dravonik", "LOGIN", "user", true}, "-"), QString("4711"));

    store.setValue({"Dravonik", "Export", "Liefnr", true}, "300");
    store.setValue({"Dravonik", "Export", "Lagerort", true}, "L 1");
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    QVERIFY2(!text.contains("[Export]") && text.count("[export]") == 1, text);
    QVERIFY2(text.contains("liefnr=300") && !text.contains("Liefnr"), text);
    QVERIFY2(text.contains("Lagerort=L 1"), text);
    QCOMPARE(store.value({"Dravonik", "EXPORT", "LAGERORT", true}, "-"), QString("L 1"));

    // A file that already holds both spellings: the exact one counts.
    writeFile(file, "[export]\nliefnr=1\n[Export]\nLiefnr=2\n");
    QCOMPARE(store.value({"Dravonik", "Export", "Liefnr", true}, "-"), QString("2"));

    // An administrator's defaults are found in any spelling too.
    QTemporaryDir everyUser;
    writeFile(QDir(everyUser.path()).filePath("Dravonik.ini"), "[login]\nserverip=10.1.2.3\n");
    IniSettingsStore fresh(QDir(folder.path()).filePath("fresh"), {everyUser.path()});
    QCOMPARE(fresh.value({"Dravonik", "Login", "ServerIP", true}, "-"), QString("10.1.2.3"));
}

void TestSettings::privateToTheUser()
{
    if (QSysInfo::kernelType() == QLatin1String("winnt"))
        QSKIP("Windows files have no such modes (and the program keeps its settings in the "
              "registry there).");
    QTemporaryDir home;
    const QString folder = home.filePath("config/TOLVAN");
    IniSettingsStore store(folder);
    store.setValue({"Cache Login", "Login", "Passwort"}, "geheim");
    QCOMPARE(modeOf(folder), mode_t(0700));
    QCOMPARE(modeOf(store.fileName("Cache Login")), mode_t(0600));
    store.setValue({"Cache Login", "Login", "Name"}, "DEMO"); // rewriting keeps it
    QCOMPARE(modeOf(store.fileName("Cache Login")), mode_t(0600));
}

void TestSettings::looserFileMadePrivate_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("readable by all") << 0644 << 0600;
    QTest::newRow("writable by the group") << 0660 << 0600;
    QTest::newRow("already private") << 0600 << 0600;
}

void TestSettings::looserFileMadePrivate()
{
    if (QSysInfo::kernelType() == QLatin1String("winnt"))
        QSKIP("Windows files have no such modes (and the program keeps its settings in the "
              "registry there).");
    QFETCH(int, before);
    QFETCH(int, after);
    QTemporaryDir folder;
    IniSettingsStore store(folder.path());
    writeFile(store.fileName("Cache Login"), "[Login]\nName=DEMO\n");
    ::chmod(QFile::encodeName(store.fileName("Cache Login")).constData(), mode_t(before));
    store.setValue({"Cache Login", "Login", "Passwort"}, "geheim");
    QCOMPARE(modeOf(store.fileName("Cache Login")), mode_t(after));
    QCOMPARE(store.value({"Cache Login", "Login", "Name"}, ""), QString("DEMO"));
}

void TestSettings::defaultsForEveryUser_data()
{
    QTest::addColumn<QString>("application");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // the user's file has no such key
    QTest::addColumn<bool>("everyUser");   // as the key is declared
    QTest::newRow("server") << "Cache Login"
                            << "Login"
                            << "Server"
                            << "zentral"
                            << true;
    QTest::newRow("port") << "Cache Login"
                          << "Login"
                          << "Port"
                          << "5432"
                          << true;
    QTest::newRow("firm") << "Cache Login"
                          << "Login"
                          << "Firma"
                          << "7"
                          << true;
    QTest::newRow("branch") << "Cache Login"
                            << "Login"
                            << "Filiale"
                            << "12"
                            << true;
    QTest::newRow("namespace") << "Cache Login"
                               << "Login"
                               << "Namespace"
                               << "FIRMA"
                               << true;
    QTest::newRow("the name stays the user's") << "Cache Login"
                                               << "Login"
                                               << "Name"
                                               << "fehlt"
                                               << false;
    QTest::newRow("the password stays the user's") << "Cache Login"
                                                   << "Login"
                                                   << "Passwort"
                                                   << "fehlt"
                                                   << false;
    QTest::newRow("the first folder wins") << "Dravonik"
                                           << "Export"
                                           << "Lagerort"
                                           << "Regal 1"
                                           << true;
    QTest::newRow("a later folder fills a gap") << "Dravonik"
                                                << "Export"
                                                << "Liefnr"
                                                << "100"
                                                << true;
    QTest::newRow("nowhere") << "Dravonik"
                             << "Export"
                             << "Nichts"
                             << "fehlt"
                             << true;
}

void TestSettings::defaultsForEveryUser()
{
    QFETCH(QString, application);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QFETCH(bool, everyUser);
    QTemporaryDir root;
    const QString user = root.filePath("home/TOLVAN"), first = root.filePath("etc/xdg/TOLVAN"),
                  second = root.filePath("usr/etc/TOLVAN");
    QVERIFY(QDir().mkpath(user) && QDir().mkpath(first) && QDir().mkpath(second));
    writeFile(first + "/Cache Login.ini", "[Login]\nServer=zentral\nPort=5432\nFirma=7\n"
                                          "Filiale=12\nNamespace=FIRMA\nName=CHEF\nPasswort=x\n");
    writeFile(first + "/Dravonik.ini", "[Export]\nLagerort=Regal 1\n");
    writeFile(second + "/Dravonik.ini", "[Export]\nLagerort=Regal 2\nLiefnr=100\n");
    // The user's file exists, with other keys of the same section.
    writeFile(user + "/Cache Login.ini", "[Login]\nStatus=1\n");
    IniSettingsStore store(user, {first, second});
    QCOMPARE(store.value({application, section, key, everyUser}, "fehlt"), expected);

    // The user's own value always wins, also an empty one.
    store.setValue({application, section, key, everyUser}, "");
    QCOMPARE(store.value({application, section, key, everyUser}, "fehlt"), QString());
    store.setValue({application, section, key, everyUser}, "eigen");
    QCOMPARE(store.value({application, section, key, everyUser}, "fehlt"), QString("eigen"));
}

void TestSettings::storingTheDefaultKeepsFollowingIt()
{
    QTemporaryDir root;
    const QString user = root.filePath("home/TOLVAN"), system = root.filePath("etc/xdg/TOLVAN");
    QVERIFY(QDir().mkpath(system));
    writeFile(system + "/Cache Login.ini", "[Login]\nServer=zentral\nPort=5432\n");
    IniSettingsStore store(user, {system});
    // "Anmelden" stores what the dialog shows: the administrator's values.
    store.setValue({"Cache Login", "Login", "Server", true}, "zentral");
    store.setValue({"Cache Login", "Login", "Port", true}, "1972");
    store.setValue({"Cache Login", "Login", "Name"}, "DEMO");
    writeFile(system + "/Cache Login.ini", "[Login]\nServer=neu\nPort=5433\n");
    QCOMPARE(store.value({"Cache Login", "Login", "Server", true}, ""), QString("neu"));
    QCOMPARE(store.value({"Cache Login", "Login", "Port", true}, ""), QString("1972")); // the user's own
    QCOMPARE(store.value({"Cache Login", "Login", "Name"}, ""), QString("DEMO"));
    // Back to the administrator's value: the user's own one goes.
    store.setValue({"Cache Login", "Login", "Port", true}, "5433");
    writeFile(system + "/Cache Login.ini", "[Login]\nServer=neu\nPort=5434\n");
    QCOMPARE(store.value({"Cache Login", "Login", "Port", true}, ""), QString("5434"));
}

void TestSettings::defaultsFolderIsNeverWritten()
{
    QTemporaryDir root;
    const QString user = root.filePath("home/TOLVAN"), system = root.filePath("etc/xdg/TOLVAN");
    QVERIFY(QDir().mkpath(system));
    const QByteArray preset = "[Login]\nServer=zentral\n";
    writeFile(system + "/Cache Login.ini", preset);
    IniSettingsStore store(user, {system});
    store.setValue({"Cache Login", "Login", "Server", true}, "eigen");
    store.setValue({"Cache Login", "Login", "Name"}, "DEMO");
    QFile file(system + "/Cache Login.ini");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), preset);
    QCOMPARE(QDir(system).entryList(QDir::Files), QStringList{"Cache Login.ini"});
    QCOMPARE(IniSettingsStore(user).value({"Cache Login", "Login", "Server", true}, ""), QString("eigen"));
}

void TestSettings::systemFoldersFromTheEnvironment()
{
    if (QSysInfo::kernelType() == QLatin1String("winnt"))
        QSKIP("Windows keeps the defaults for every user in the registry.");
    QTemporaryDir root;
    const QString home = root.filePath("config"), system = root.filePath("xdg");
    QVERIFY(QDir().mkpath(system + "/TOLVAN"));
    writeFile(system + "/TOLVAN/Cache Login.ini", "[Login]\nServer=zentral\n");
    // The environment as it was, also when a check fails.
    const auto restore = [](const char *name) {
        return qScopeGuard([name, was = qEnvironmentVariableIsSet(name), old = qgetenv(name)] {
            if (was)
                qputenv(name, old);
            else
                qunsetenv(name);
        });
    };
    const auto restoreHome = restore("XDG_CONFIG_HOME");
    const auto restoreDirs = restore("XDG_CONFIG_DIRS");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root.filePath("leer") + ':' + system));
    IniSettingsStore store;
    QCOMPARE(store.value({"Cache Login", "Login", "Server", true}, ""), QString("zentral"));
    store.setValue({"Cache Login", "Login", "Port", true}, "5432");
    QVERIFY(QFile::exists(home + "/TOLVAN/Cache Login.ini"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
