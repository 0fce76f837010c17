#pragma once

#include <QStringList>

namespace tolvan {

// The export without a window as its own process: a core application without
// windows, the user's settings store, the help on standard output and every
// message on standard error. `arguments` are the program's, as typed
// (programArguments in platform). Returns the exit status.
int exportWithoutWindow(int argc, char *argv[], const QStringList &arguments);

} // namespace tolvan
