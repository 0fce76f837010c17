// tolvan-dravonik-export.com, the console twin of the window program on
// Windows: cmd.exe waits for it and passes on its exit status, which it does
// not for a program of the windows subsystem. It runs the export without a
// window itself and hands every other call to the window program beside it.

#include "CommandLine.h"
#include "ConsoleOutput.h"
#include "HeadlessExport.h"
#include "WindowlessStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

int main(int argc, char *argv[])
{
    const QStringList arguments = tolvan::programArguments(argc, argv);
    if (tolvan::headless::isRequested(arguments))
        return tolvan::exportWithoutWindow(argc, argv, arguments);

    QCoreApplication app(argc, argv);
    const QFileInfo self(QCoreApplication::applicationFilePath());
    const QString windowProgram = self.dir().filePath(self.completeBaseName() + ".exe");
    // Qt quotes each argument by the same rules the window program reads them
    // with, so empty fields and fields with blanks arrive unchanged.
    if (QProcess::startDetached(windowProgram, arguments))
        return 0;
    tolvan::ConsoleStream(tolvan::ConsoleOutput::Error)
        << QDir::toNativeSeparators(windowProgram) << " kann nicht gestartet werden." << Qt::endl;
    return 1;
}
