// Standard output as a console window and as a file: every character reads
// right in a console whatever its code page, and a file gets UTF-8.

#include "ConsoleOutput.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

using namespace tolvan;

namespace {

// Beyond Windows-1252 and code page 850 (Ł, ź, „ “), and one character
// beyond the 16-bit range.
const QString Text = QStringLiteral("Caché für Łódź – „Grüße“ 𝄞");

} // namespace

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    void fileGetsUtf8();
    void consoleWindowShowsEveryCharacter();
};

// What a pipe or a file reads: the UTF-8 bytes, a character split between two
// writes whole, the lines as the platform ends them.
void TestConsole::fileGetsUtf8()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("ausgabe.txt");
    std::fflush(stdout);
#ifdef Q_OS_WIN
    const int saved = _dup(1);
    FILE *target = _wfopen(reinterpret_cast<const wchar_t *>(path.utf16()), L"wb");
    QVERIFY(target);
    QVERIFY(_dup2(_fileno(target), 1) == 0);
    _setmode(1, _O_TEXT); // as a console program's standard output starts
#else
    const int saved = dup(1);
    FILE *target = std::fopen(QFile::encodeName(path).constData(), "wb");
    QVERIFY(target);
    QVERIFY(dup2(fileno(target), 1) == 1);
#endif
    {
        ConsoleOutput device(ConsoleOutput::Output);
        const bool console = device.isConsole();
        device.write("f\xC3", 2); // "ü" in two parts
        device.write("\xBC\n", 2);
        ConsoleStream(ConsoleOutput::Output) << Text << Qt::endl;
        std::fflush(stdout);
#ifdef Q_OS_WIN
        _dup2(saved, 1);
#else
        dup2(saved, 1);
#endif
        QVERIFY(!console);
    }
    std::fclose(target);
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
#ifdef Q_OS_WIN
    const QByteArray lineEnd = "\r\n";
#else
    const QByteArray lineEnd = "\n";
#endif
    QCOMPARE(written.readAll(), "f\xC3\xBC" + lineEnd + Text.toUtf8() + lineEnd);
}

// A console window set to the code page of a German cmd: its screen shows
// the characters written, read back from the screen. Standard output is a
// console when the test runs in one (under wine: on a terminal, see
// tests/platform/CMakeLists.txt).
void TestConsole::consoleWindowShowsEveryCharacter()
{
#ifdef Q_OS_WIN
    const HANDLE screen = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(screen, &mode))
        QSKIP("Standard output is no console window.");
    std::fflush(stdout);
    const UINT codePage = GetConsoleOutputCP();
    SetConsoleOutputCP(850);
    const auto restore = qScopeGuard([codePage] { SetConsoleOutputCP(codePage); });
    std::fputs("\n", stdout); // a line of its own
    std::fflush(stdout);
    CONSOLE_SCREEN_BUFFER_INFO before;
    QVERIFY(GetConsoleScreenBufferInfo(screen, &before));
    {
        ConsoleOutput device(ConsoleOutput::Output);
        QVERIFY(device.isConsole());
        device.write("f\xC3", 2); // "ü" in two parts
        device.write("\xBC ", 2);
    }
    ConsoleStream(ConsoleOutput::Output) << Text << Qt::endl;
    const QString expected = QStringLiteral("fü ") + Text;
    std::vector<wchar_t> cells(expected.size());
    DWORD read = 0;
    QVERIFY(ReadConsoleOutputCharacterW(screen, cells.data(), DWORD(cells.size()),
                                        COORD{0, before.dwCursorPosition.Y}, &read));
    QCOMPARE(QString::fromWCharArray(cells.data(), qsizetype(read)), expected);
#else
    QSKIP("Only Windows has console windows with a code page.");
#endif
}

QTEST_GUILESS_MAIN(TestConsole)
#include "tst_console.moc"
