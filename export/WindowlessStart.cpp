#include "WindowlessStart.h"

#include "HeadlessExport.h"
#include "UserSettingsStore.h"

#include <QCoreApplication>
#include <QTextStream>

namespace tolvan {

int exportWithoutWindow(int argc, char *argv[], const QStringList &arguments)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TOLVAN Dravonik-Export"));
    const auto settings = userSettingsStore();
    SettingsStore::install(settings.get());
    QTextStream out(stdout);
    QTextStream messages(stderr);
    const int status = headless::run(arguments, out, messages);
    SettingsStore::install(nullptr);
    return status;
}

} // namespace tolvan
