// The arguments as Windows hands them over: the raw command-line text, not the
// C runtime's argv, which takes runs of blanks as one.

#include "CommandLine.h"
#include "WindowsCommandLine.h"

#include <QFileInfo>
#include <string>
#include <windows.h>

namespace tolvan {

QStringList programArguments(int, char *[])
{
    const QString text = QString::fromWCharArray(GetCommandLineW());
    return windowsCommandLine::split(windowsCommandLine::withoutProgram(text));
}

QString programFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return QFileInfo(QString::fromStdWString(path)).absolutePath();
}

} // namespace tolvan
