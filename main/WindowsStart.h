#pragma once

#include <QByteArray>
#include <QStringList>

namespace tolvan {

// The program with its windows: the application with fonts and translations,
// the real message boxes, mouse pointer, settings and dialogs, the main window
// loaded (login, title, last supplier) and the event loop until it is
// unloaded. `arguments` are the program's, as typed; `noDisplay` is said on
// standard error when Qt finds no window system. Returns the exit status.
int runWithWindows(int argc, char *argv[], const QStringList &arguments,
                   const QByteArray &noDisplay);

} // namespace tolvan
