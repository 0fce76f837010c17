#include "WindowsStart.h"

#include "Application.h"
#include "DialogForms.h"
#include "Guard.h"
#include "MainWindow.h"
#include "QtMessageBoxes.h"
#include "QtMousePointer.h"
#include "ServiceOwner.h"
#include "Session.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace tolvan {
namespace {

QByteArray NoDisplay;

// Qt ends the program when its window system cannot be reached (a DISPLAY that
// names no server, say); it says so in German before that.
void reportMissingDisplay(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg && (message.contains(QLatin1String("platform plugin")) ||
                               message.contains(QLatin1String("connect to display")))) {
        std::fputs(NoDisplay.constData(), stderr);
        std::_Exit(1);
    }
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int runWithWindows(int argc, char *argv[], const QStringList &arguments,
                   const QByteArray &noDisplay)
{
    NoDisplay = noDisplay;
    const QtMessageHandler previous = qInstallMessageHandler(reportMissingDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    prepareApplication(app);
    ServiceOwner services;
    installProgramServices(services);
    services.own<MessageBoxes>(std::make_unique<QtMessageBoxes>());
    services.own<MousePointerService>(std::make_unique<QtMousePointer>());
    services.own<LoginForms>(std::make_unique<DialogForms>());
    setProgramCommandLine(arguments.join(u' '));

    MainWindow window;
    guard::run([&window] { window.Form_Load(); });
    // Ended while loading (cancelled, or an error): the event loop never runs.
    if (!guard::hasEnded()) {
        window.show();
        QApplication::exec();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return guard::exitStatus();
}

} // namespace tolvan
