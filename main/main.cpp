// The program writes the export without a window when called with its options;
// otherwise it starts with its main window, which lives in a module of its own
// (tolvan-dravonik-export-gui) that only then is loaded.

#include "CommandLine.h"
#include "GraphicalSession.h"
#include "HeadlessExport.h"
#include "WindowlessStart.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QRegularExpression>
#include <cstdio>

namespace {

// The message names the program as it was called, so that the command works
// where the user is: the installed program by its name, a build by its path.
QByteArray noDisplayMessage(const char *calledAs)
{
    QString program = QStringLiteral("tolvan-dravonik-export");
    const QString called = calledAs ? QString::fromLocal8Bit(calledAs) : QString();
    if (called.contains(u'/'))
        program = QDir::toNativeSeparators(QFileInfo(called).absoluteFilePath());
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9/._+:-]+$"));
    if (!plain.match(program).hasMatch())
        program = u'\'' + program.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
    return QStringLiteral("TOLVAN Dravonik-Export braucht eine grafische Sitzung (keine Anzeige "
                          "gefunden).\nOhne Fenster schreibt \"%1 --export DATEI --supplier NUMMER "
                          "--location TEXT\" die Exportdatei; mehr mit --help.\n")
        .arg(program)
        .toLocal8Bit();
}

using RunWithWindows = int (*)(int, char *[], const char *);

// The windows' module: beside the program (a build, Windows), else in the
// package's own library folder (/usr/lib/tolvan-dravonik-export).
QFunctionPointer windowsEntry(QString &tried)
{
    const QString folder = tolvan::programFolder();
    const QString name = QStringLiteral("tolvan-dravonik-export-gui");
    for (const QString &path : {folder + u'/' + name,
                                folder + QStringLiteral("/../lib/tolvan-dravonik-export/") + name}) {
        QLibrary module(path);
        if (QFunctionPointer entry = module.resolve("tolvan_run_with_windows"))
            return entry;
        tried += QDir::toNativeSeparators(path) + QStringLiteral(": ") + module.errorString() +
                 u'\n';
    }
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    // Before QApplication takes out what looks like its own options: every
    // login field arrives as typed.
    const QStringList arguments = tolvan::programArguments(argc, argv);
    if (tolvan::headless::isRequested(arguments))
        return tolvan::exportWithoutWindow(argc, argv, arguments);
    const QByteArray noDisplay = noDisplayMessage(argc > 0 ? argv[0] : nullptr);
    if (!tolvan::hasGraphicalSession()) {
        std::fputs(noDisplay.constData(), stderr);
        return 1;
    }
    QString tried;
    const auto run = reinterpret_cast<RunWithWindows>(windowsEntry(tried));
    if (!run) {
        tolvan::reportStartFailure(QStringLiteral("TOLVAN Dravonik-Export ist unvollständig "
                                                  "installiert: Das Modul der Fenster fehlt.\n") +
                                   tried);
        return 1;
    }
    return run(argc, argv, noDisplay.constData());
}
