// Windows: a program of the windows subsystem always has a desktop to show its
// windows on; even one started by the Task Scheduler gets a hidden one.

#include "GraphicalSession.h"

#include "ConsoleOutput.h"

#include <cstdio>
#include <windows.h>

namespace tolvan {

bool hasGraphicalSession()
{
    return true;
}

void reportStartFailure(const QString &message)
{
    ConsoleStream(ConsoleOutput::Error) << message;
    if (!GetConsoleWindow())
        MessageBoxW(nullptr, reinterpret_cast<const wchar_t *>(message.utf16()),
                    L"TOLVAN Dravonik-Export", MB_OK | MB_ICONERROR);
}

} // namespace tolvan
