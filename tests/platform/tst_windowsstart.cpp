// What the program takes from Windows at start (runs on Windows and under
// wine): the raw command-line text, the Desktop folder, the default database's
// place and Qt's German translations beside the program.

#include "Application.h"
#include "DesktopFolder.h"
#include "Engine.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QProcess>
#include <QtTest>
#include <shlobj.h>
#include <windows.h>

using namespace tolvan;

class TestWindowsStart : public QObject {
    Q_OBJECT

private slots:
    void rawCommandLine_data();
    void rawCommandLine();
    void desktopIsTheShellsFolder();
    void defaultDatabaseInLocalAppData();
    void germanButtonsFromBesideTheProgram();
};

void TestWindowsStart::rawCommandLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("two blanks leave the branch empty")
        << "1  DEMO demo" << QStringList{"1", "", "DEMO", "demo"};
    QTest::newRow("an empty field in quotes")
        << R"(1 "" DEMO demo)" << QStringList{"1", "", "DEMO", "demo"};
    QTest::newRow("Qt's options are fields")
        << "1 0 DEMO -reverse -style 127.0.0.1 5432"
        << QStringList{"1", "0", "DEMO", "-reverse", "-style", "127.0.0.1", "5432"};
    QTest::newRow("quotes are taken out") << R"(--location "Regal 7, Süd" -- "1")"
                                          << QStringList{"--location", "Regal 7, Süd", "--", "1"};
}

void TestWindowsStart::rawCommandLine()
{
    QFETCH(QString, text);
    QFETCH(QStringList, arguments);
    QProcess process;
    process.setProgram(TOLVAN_PRINT_ARGUMENTS);
    process.setNativeArguments(text);
    process.start();
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QStringList seen;
    for (QString line :
         QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
        line = line.trimmed();
        seen << line.mid(1, line.size() - 2);
    }
    QCOMPARE(seen, arguments);
}

void TestWindowsStart::desktopIsTheShellsFolder()
{
    PWSTR path = nullptr;
    QCOMPARE(SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &path), S_OK);
    const QString shell = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    QVERIFY(!shell.isEmpty());
    QCOMPARE(desktopFolder().toLower(), shell.toLower());
}

void TestWindowsStart::defaultDatabaseInLocalAppData()
{
    const QString localAppData = qEnvironmentVariable("LOCALAPPDATA");
    QVERIFY(!localAppData.isEmpty());
    QCOMPARE(QDir::toNativeSeparators(defaultDatabasePath()).toLower(),
             (localAppData + QStringLiteral("\\TOLVAN\\tolvan.db")).toLower());
}

void TestWindowsStart::germanButtonsFromBesideTheProgram()
{
    if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
        QSKIP("Qt's own folder has the translations");
    QVERIFY(QFile::exists(QApplication::applicationDirPath() + "/translations/qtbase_de.qm"));
    prepareApplication(*qApp);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&No"), "&Nein");
}

QTEST_MAIN(TestWindowsStart)
#include "tst_windowsstart.moc"
