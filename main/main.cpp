// The program starts by loading its main window.

#include "Application.h"
#include "DialogForms.h"
#include "Guard.h"
#include "IniSettingsStore.h"
#include "MainWindow.h"
#include "QtMessageBoxes.h"
#include "QtMousePointer.h"

#include <QApplication>

int main(int argc, char *argv[])
{
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
