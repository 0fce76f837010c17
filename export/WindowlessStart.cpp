#include "WindowlessStart.h"

#include "HeadlessExport.h"
#include "ServiceOwner.h"

#include <QCoreApplication>
#include <QTextStream>

namespace tolvan {

int exportWithoutWindow(int argc, char *argv[], const QStringList &arguments)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TOLVAN Dravonik-Export"));
    ServiceOwner services;
    installProgramServices(services);
    QTextStream out(stdout);
    QTextStream messages(stderr);
    return headless::run(arguments, out, messages);
}

} // namespace tolvan
