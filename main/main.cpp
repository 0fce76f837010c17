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

namespace {

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
        QTextStream(stderr)
            << "TOLVAN Dravonik-Export braucht eine grafische Sitzung (keine Anzeige gefunden: "
               "DISPLAY und WAYLAND_DISPLAY sind leer).\n"
               "Ohne Fenster schreibt \"tolvan-dravonik-export --export DATEI --supplier NUMMER "
               "--location TEXT\" die Exportdatei; mehr mit --help.\n";
        return 1;
    }

    QApplication app(argc, argv);
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
