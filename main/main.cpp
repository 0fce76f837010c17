// The program starts by loading its main window, or, called with options,
// writes the export without one.

#include "Application.h"
#include "CommandLine.h"
#include "DialogForms.h"
#include "GraphicalSession.h"
#include "Guard.h"
#include "HeadlessExport.h"
#include "MainWindow.h"
#include "QtMessageBoxes.h"
#include "QtMousePointer.h"
#include "Session.h"
#include "UserSettingsStore.h"
#include "WindowlessStart.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>
#include <cstdlib>

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

int main(int argc, char *argv[])
{
    // Before QApplication takes out what looks like its own options: every
    // login field arrives as typed.
    const QStringList arguments = tolvan::programArguments(argc, argv);
    NoDisplay = noDisplayMessage(argc > 0 ? argv[0] : nullptr);
    if (tolvan::headless::isRequested(arguments))
        return tolvan::exportWithoutWindow(argc, argv, arguments);
    if (!tolvan::hasGraphicalSession()) {
        std::fputs(NoDisplay.constData(), stderr);
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
    const auto settings = tolvan::userSettingsStore();
    tolvan::SettingsStore::install(settings.get());
    tolvan::setProgramCommandLine(arguments.join(u' '));
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
