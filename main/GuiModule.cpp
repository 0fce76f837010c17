// The windows as a module of their own, which the program loads only when it
// shows them: a scheduled export never loads Qt Gui or Qt Widgets.

#include "CommandLine.h"
#include "WindowsStart.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT int tolvan_run_with_windows(int argc, char *argv[],
                                                      const char *noDisplay)
{
    // The arguments as typed, read again here: the module has its own copy
    // of the platform code.
    const QStringList arguments = tolvan::programArguments(argc, argv);
    return tolvan::runWithWindows(argc, argv, arguments, QByteArray(noDisplay));
}
