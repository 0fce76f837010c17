// The program's arguments as typed: Qt's own options stay login fields, empty
// fields stay empty; and how a Windows command-line text is read.

#include "CommandLine.h"
#include "WindowsCommandLine.h"

#include <QProcess>
#include <QtTest>

using namespace tolvan;

namespace {

// The arguments print_arguments saw, through a real process start.
QStringList argumentsSeen(QProcess &process)
{
    QStringList seen;
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    for (QString line : output.split(u'\n', Qt::SkipEmptyParts)) {
        line = line.trimmed();
        seen << line.mid(1, line.size() - 2);
    }
    return seen;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void fieldsArriveAsTyped_data();
    void fieldsArriveAsTyped();
    void windowsText_data();
    void windowsText();
};

void TestCommandLine::fieldsArriveAsTyped_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("commandLine");
    QTest::newRow("a password that is one of Qt's options")
        << QStringList{"1", "0", "DEMO", "-reverse"} << "1 0 DEMO -reverse";
    QTest::newRow("Qt's option with a value")
        << QStringList{"1", "0", "DEMO", "-style", "127.0.0.1", "5432"}
        << "1 0 DEMO -style 127.0.0.1 5432";
    QTest::newRow("more of Qt's options")
        << QStringList{"1", "0", "-qwindowtitle", "-session", "x", "-widgetcount"}
        << "1 0 -qwindowtitle -session x -widgetcount";
    QTest::newRow("an empty branch") << QStringList{"1", "", "DEMO", "demo"} << "1  DEMO demo";
    QTest::newRow("an empty first and last field")
        << QStringList{"", "0", "DEMO", ""} << " 0 DEMO ";
    QTest::newRow("a field with a blank and umlauts")
        << QStringList{"--location", "Regal 7, Süd", "--", "1"} << "--location Regal 7, Süd -- 1";
    QTest::newRow("quotes and backslashes inside a field")
        << QStringList{"1", "0", "DEMO", "pa\"ss\\", "\\\"x"} << "1 0 DEMO pa\"ss\\ \\\"x";
    QTest::newRow("none") << QStringList{} << "";
}

void TestCommandLine::fieldsArriveAsTyped()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, commandLine);
    QProcess process;
    process.start(TOLVAN_PRINT_ARGUMENTS, arguments);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    const QStringList seen = argumentsSeen(process);
    QCOMPARE(seen, arguments);
    QCOMPARE(seen.join(u' '), commandLine);
}

void TestCommandLine::windowsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("plain") << "tolvan.exe 1 0 DEMO demo" << QStringList{"1", "0", "DEMO", "demo"};
    QTest::newRow("program path in quotes")
        << R"("C:\Program Files\TOLVAN\tolvan.exe" 1 0 DEMO demo)"
        << QStringList{"1", "0", "DEMO", "demo"};
    QTest::newRow("program path in quotes, no blank after it")
        << R"("C:\Program Files\TOLVAN\tolvan.exe"1 0)" << QStringList{"1", "0"};
    QTest::newRow("program alone") << "tolvan.exe" << QStringList{};
    QTest::newRow("program and blanks") << "tolvan.exe  \t " << QStringList{};
    QTest::newRow("tab after the program") << "tolvan.exe\t1 0" << QStringList{"1", "0"};
    QTest::newRow("two blanks leave a field empty")
        << "tolvan.exe 1  DEMO demo" << QStringList{"1", "", "DEMO", "demo"};
    QTest::newRow("three blanks leave two")
        << "tolvan.exe 1   DEMO" << QStringList{"1", "", "", "DEMO"};
    QTest::newRow("an empty field in quotes")
        << R"(tolvan.exe 1 "" DEMO demo)" << QStringList{"1", "", "DEMO", "demo"};
    QTest::newRow("a leading empty field in quotes")
        << R"(tolvan.exe "" 0)" << QStringList{"", "0"};
    QTest::newRow("a trailing blank leaves an empty last field")
        << "tolvan.exe 1 0 " << QStringList{"1", "0", ""};
    QTest::newRow("fields in quotes lose them")
        << R"(tolvan.exe "1" "0" "DEMO")" << QStringList{"1", "0", "DEMO"};
    QTest::newRow("a blank inside quotes stays")
        << R"(tolvan.exe --location "Regal 7" x)" << QStringList{"--location", "Regal 7", "x"};
    QTest::newRow("quotes in the middle of a field")
        << R"(tolvan.exe de"m"o)" << QStringList{"demo"};
    QTest::newRow("two quotes inside quotes are a quote character")
        << R"(tolvan.exe --location "Regal ""7""" x)"
        << QStringList{"--location", R"(Regal "7")", "x"};
    QTest::newRow("an open quote runs to the end") << R"(tolvan.exe "a b)" << QStringList{"a b"};
    QTest::newRow("Qt's options are fields")
        << "tolvan.exe 1 0 DEMO -reverse -style x"
        << QStringList{"1", "0", "DEMO", "-reverse", "-style", "x"};
    QTest::newRow("backslashes without a quote are plain")
        << R"(tolvan.exe a\b c\\d e\)" << QStringList{R"(a\b)", R"(c\\d)", R"(e\)"};
    QTest::newRow("an odd run of backslashes makes a quote character")
        << R"(tolvan.exe pa\"ss a\\\"b)" << QStringList{R"(pa"ss)", R"(a\"b)"};
    QTest::newRow("an even run of backslashes keeps the quote a quote")
        << R"(tolvan.exe "a\\" b)" << QStringList{R"(a\)", "b"};
    QTest::newRow("a tab inside a field is a character")
        << "tolvan.exe a\tb" << QStringList{"a\tb"};
    QTest::newRow("umlauts") << "tolvan.exe Süd Größe" << QStringList{"Süd", "Größe"};
}

void TestCommandLine::windowsText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, arguments);
    QCOMPARE(windowsCommandLine::split(windowsCommandLine::withoutProgram(text)), arguments);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
