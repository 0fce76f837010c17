// The program starts by loading its main window.

#include "Application.h"
#include "MainWindow.h"
#include "QtMessageBoxes.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tolvan::prepareApplication(app);
    tolvan::QtMessageBoxes messageBoxes;
    tolvan::MessageBoxes::install(&messageBoxes);

    tolvan::MainWindow window;
    window.show();
    return app.exec();
}
