// The console twin tolvan-dravonik-export.com as a user meets it in cmd.exe
// (runs on Windows and under wine): the export without a window with its
// messages and exit statuses, and every other call handed to the window
// program with its arguments unchanged.

#include "TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int status = -1;
    QString out, messages;
};

// "cmd /c TEXT" in `folder`, as typed at the prompt.
Run inCmd(const QString &folder, const QString &text)
{
    QProcess cmd;
    cmd.setProgram(QStringLiteral("cmd.exe"));
    cmd.setNativeArguments(QStringLiteral("/c ") + text);
    cmd.setWorkingDirectory(folder);
    cmd.start();
    if (!cmd.waitForFinished(60000))
        return {};
    return {cmd.exitCode(), QString::fromLocal8Bit(cmd.readAllStandardOutput()),
            QString::fromLocal8Bit(cmd.readAllStandardError())};
}

} // namespace

class TestConsole : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void exportInTheConsole_data();
    void exportInTheConsole();
    void otherCallsStartTheWindowProgram_data();
    void otherCallsStartTheWindowProgram();

private:
    QString m_programs = QFileInfo(TOLVAN_CONSOLE_PROGRAM).absolutePath();
    TestDatabase m_db;
    QTemporaryDir m_folder;
    int m_probes = 0;
};

void TestConsole::initTestCase()
{
    TOLVAN_REQUIRE_DATABASE(m_db);
    QVERIFY(m_folder.isValid());
}

void TestConsole::exportInTheConsole_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("messages");
    QTest::newRow("help") << "--help" << 0 << "Aufruf: tolvan-dravonik-export --export DATEI"
                          << "";
    QTest::newRow("wrong call") << "--export x.csv" << 2 << ""
                                << "--supplier NUMMER fehlt.";
    QTest::newRow("written")
        << R"(--export "%1" --supplier 100 --location "Regal 7" -- 1 0 DEMO demo)" << 0 << ""
        << "5 Artikel gelistet, 3 Zeilen geschrieben";
    QTest::newRow("an empty password field takes TOLVAN_PASSWORD")
        << R"(--export "%1" --supplier 100 --location "Regal 7" 1 0 DEMO "")" << 0 << ""
        << "5 Artikel gelistet, 3 Zeilen geschrieben";
    QTest::newRow("login refused")
        << R"(--export "%1" --supplier 100 --location L -- 1 0 DEMO -falsch)" << 3 << ""
        << "";
    QTest::newRow("supplier unknown")
        << R"(--export "%1" --supplier 4711 --location L 1 0 DEMO demo)" << 4 << ""
        << "Lieferant nicht gespeichert";
}

void TestConsole::exportInTheConsole()
{
    QFETCH(QString, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, messages);
    const QString file = QDir::toNativeSeparators(m_folder.filePath("export.csv"));
    QFile::remove(file);
    qputenv("TOLVAN_PASSWORD", "demo");
    const bool writes = arguments.contains("%1");
    const Run run =
        inCmd(m_programs, "tolvan-dravonik-export " + (writes ? arguments.arg(file) : arguments));
    qunsetenv("TOLVAN_PASSWORD");
    QVERIFY2(run.status == status, qPrintable(QString::number(run.status) + ": " + run.messages));
    QVERIFY2(run.out.contains(out), qPrintable(run.out));
    QVERIFY2(run.messages.contains(messages), qPrintable(run.messages));
    QCOMPARE(QFile::exists(file), status == 0 && writes);
    if (QFile::exists(file)) {
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().startsWith("Regal 7,"));
    }
}

void TestConsole::otherCallsStartTheWindowProgram_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("seen");
    QTest::newRow("login fields with an empty one") << "1  DEMO demo"
                                                    << "[1]\n[]\n[DEMO]\n[demo]\n";
    QTest::newRow("quoted fields and Qt's options") << R"(1 "" DEMO -reverse "a b")"
                                                    << "[1]\n[]\n[DEMO]\n[-reverse]\n[a b]\n";
    QTest::newRow("none") << ""
                          << "";
}

// A copy of the twin beside a stand-in window program that writes down the
// arguments it was given.
void TestConsole::otherCallsStartTheWindowProgram()
{
    QFETCH(QString, arguments);
    QFETCH(QString, seen);
    // In the test's folder, which goes when the stand-ins have ended.
    const QDir folder(m_folder.filePath(QString::number(m_probes++)));
    QVERIFY(folder.mkpath("."));
    QVERIFY(QFile::copy(TOLVAN_CONSOLE_PROGRAM, folder.filePath("probe.com")));
    QVERIFY(QFile::copy(TOLVAN_PRINT_ARGUMENTS, folder.filePath("probe.exe")));
    // cmd.exe takes the twin, not the window program, when the extension is left out.
    QVERIFY(inCmd(folder.path(), "probe --help").out.startsWith("Aufruf: tolvan-dravonik-export"));

    const QString written = folder.filePath("seen.txt");
    qputenv("TOLVAN_PRINT_TO", QDir::toNativeSeparators(written).toLocal8Bit());
    const Run run = inCmd(folder.path(), "probe " + arguments);
    qunsetenv("TOLVAN_PRINT_TO");
    QCOMPARE(run.status, 0);
    // The twin does not wait for the window program.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(written), 30000);
    QFile file(written);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), seen);
    // The window program's file stays locked until it has ended.
}

QTEST_GUILESS_MAIN(TestConsole)
#include "tst_console.moc"
