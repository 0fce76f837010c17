// The arguments as Windows hands them over: the raw command-line text, not the
// C runtime's argv, which takes runs of blanks as one.

#include "CommandLine.h"
#include "WindowsCommandLine.h"

#include <windows.h>

namespace tolvan {

QStringList programArguments(int, char *[])
{
    const QString text = QString::fromWCharArray(GetCommandLineW());
    return windowsCommandLine::split(windowsCommandLine::withoutProgram(text));
}

} // namespace tolvan
