// Linux: windows need an X11 or Wayland display, unless a Qt platform that
// needs none is chosen.

#include "GraphicalSession.h"

#include "ConsoleOutput.h"

#include <cstdio>

#include <QString>
#include <QtGlobal>

namespace tolvan {

bool hasGraphicalSession()
{
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.isEmpty())
        return x11 || wayland;
    if (platform.startsWith(QLatin1String("xcb")))
        return x11;
    if (platform.startsWith(QLatin1String("wayland")))
        return wayland;
    return true; // offscreen, minimal, vnc, …: no display needed
}

void reportStartFailure(const QString &message)
{
    ConsoleStream(ConsoleOutput::Error) << message;
}

} // namespace tolvan
