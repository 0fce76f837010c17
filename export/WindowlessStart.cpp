#include "WindowlessStart.h"

#include "ConsoleOutput.h"
#include "HeadlessExport.h"
#include "ServiceOwner.h"

#include <QCoreApplication>

namespace tolvan {

int exportWithoutWindow(int argc, char *argv[], const QStringList &arguments)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TOLVAN Dravonik-Export"));
    ServiceOwner services;
    installProgramServices(services);
    ConsoleStream out(ConsoleOutput::Output);
    ConsoleStream messages(ConsoleOutput::Error);
    return headless::run(arguments, out, messages);
}

} // namespace tolvan
