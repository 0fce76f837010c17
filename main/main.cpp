// The program starts by loading its main window, or, called with options,
// writes the export without one.

#include "Application.h"
#include "DialogForms.h"
#include "GraphicalSession.h"
#include "Guard.h"
#include "HeadlessExport.h"
#include "IniSettingsStore.h"
#include "MainWindow.h"
#include "QtMessageBoxes.h"
#include "QtMousePointer.h"

#include <QApplication>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>

namespace {

const char *const NoDisplay =
    "TOLVAN Dravonik-Export braucht eine grafische Sitzung (keine Anzeige gefunden).\n"
    "Ohne Fenster schreibt \"tolvan-dravonik-export --export DATEI --supplier NUMMER "
    "--location TEXT\" die Exportdatei; mehr mit --help.\n";

// Qt ends the program when its window system cannot be reached (a DISPLAY that
// names no server, say); it says so in German before that.
void reportMissingDisplay(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg && (message.contains(QLatin1String("platform plugin")) ||
                               message.contains(QLatin1String("connect to display")))) {
        std::fputs(NoDisplay, stderr);
        std::_Exit(1);
    }
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

int exportWithoutWindow(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TOLVAN Dravonik-Export"));
    tolvan::IniSettingsStore settings;
    tolvan::SettingsStore::install(&settings);
    QTextStream out(stdout);
    QTextStream messages(stderr);
    return tolvan::headless::run(QCoreApplication::arguments().mid(1), out, messages);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (tolvan::headless::isRequested(arguments))
        return exportWithoutWindow(argc, argv);
    if (!tolvan::hasGraphicalSession()) {
        std::fputs(NoDisplay, stderr);
        return 1;
    }

    const QtMessageHandler previous = qInstallMessageHandler(reportMissingDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    tolvan::prepareApplication(app);
    tolvan::QtMessageBoxes messageBoxes;
    tolvan::MessageBoxes::install(&messageBoxes);
    tolvan::QtMousePointer mousePointer;
    tolvan::MousePointerService::install(&mousePointer);
    tolvan::IniSettingsStore settings;
    tolvan::SettingsStore::install(&settings);
    tolvan::DialogForms dialogs;
    tolvan::LoginForms::install(&dialogs);

    tolvan::MainWindow window;
    tolvan::guard::run([&window] { window.Form_Load(); });
    // Ended while loading (cancelled, or an error): the event loop never runs.
    if (!tolvan::guard::hasEnded()) {
        window.show();
        QApplication::exec();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return tolvan::guard::exitStatus();
}
