#include "Connecting.h"

#include "Guard.h"
#include "LoginForms.h"
#include "MessageBoxes.h"
#include "MousePointer.h"
#include "ServerCalls.h"
#include "ServerChoice.h"
#include "Session.h"
#include "TextUtils.h"

#include "Clock.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <optional>

namespace tolvan {
namespace {

constexpr int AttemptsPerSeries = 3;
constexpr int HundredthsBetweenAttempts = 1000;
// The pauses while a busy server is waited for: from one second, doubled after
// every refusal up to a quarter of a minute, each a random time between half
// and all of that, so that many programs refused together come back apart.
constexpr qint64 FirstBusyPause = 1000;
constexpr qint64 LongestBusyPause = 15000;

// A read that fails (no factory yet, a server gone away) means "not connected".
bool isConnected()
{
    const Session &state = session();
    try {
        return state.Factory && state.Factory->connected();
    } catch (const RuntimeError &) {
        return false;
    }
}

QString mString(QString text)
{
    text.replace(u'"', QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

QString mNumberOrString(const QString &text)
{
    static const QRegularExpression plainNumber(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+")));
    return plainNumber.match(text).hasMatch() ? text : mString(text);
}

bool attemptConnect()
{
    Session &state = session();
    state.Factory = ServerChoice::process().newFactory(state.ConnectString);
    return state.Factory->connect(state.ConnectString) && state.Factory->connected();
}

void announceIdentity()
{
    Session &state = session();
    std::unique_ptr<ServerObject> windows =
        state.Factory->createObject(QStringLiteral("TV.Windows"));
    windows->call(QStringLiteral("Xecute"),
                  {IdentityCommand(state.Firm, state.Branch, state.LoginName)});
    windows->call(QStringLiteral("Xecute"), {QStringLiteral("D ^%XTT")});
    CloseObject(windows);
}

// The last message, and the end of the program.
[[noreturn]] void giveUp(LoginForms &forms,
                         const QString &message = QStringLiteral(
                             "Der Server ist nicht erreichbar!\r\n"
                             "Wahrscheinlich sind keine Lizenzen frei. Die Anwendung wird "
                             "beendet!\r\n"
                             "Bitte Versuchen Sie die Anmeldung zu einem späteren Zeitpunk "
                             "noch ein mal."))
{
    showMessage(QStringLiteral("Anmeldung an Caché"), message, MessageIcon::Critical,
                MessageButtons::Ok);
    forms.server().hide();
    session().UserIdent.clear();
    if (isConnected())
        session().Factory->disconnect();
    forms.quit(1); // a failure, not a cancel
    Q_UNREACHABLE();
}

} // namespace

QString IdentityCommand(const QString &firm, const QString &branch, const QString &personnelCode)
{
    return QStringLiteral("S FIRMA=") + mNumberOrString(firm) + QStringLiteral(",FIL=") +
           mNumberOrString(branch) + QStringLiteral(",PERSONAL=") + mString(personnelCode);
}

void ConnectServer()
{
    if (isConnected())
        return;
    LoginForms &forms = LoginForms::current();
    bool secondSeries = false;
    int attempts = 0;
    std::optional<qint64> busySince;
    qint64 busyPause = FirstBusyPause;
    for (;;) {
        if (attemptConnect()) {
            announceIdentity();
            return;
        }
        // A database that is not set up is no server to wait for: what is
        // missing is said at once.
        if (session().Factory->lastConnectNeedsSetUp())
            giveUp(forms, session().Factory->lastConnectError() +
                              QStringLiteral("\r\nDie Anwendung wird beendet!"));
        const qint64 patience = session().BusyServerPatience;
        if (patience > 0 && session().Factory->lastConnectBusy()) {
            Clock &clock = Clock::current();
            if (!busySince)
                busySince = clock.now();
            const qint64 left = *busySince + patience - clock.now();
            if (left > 0) {
                const qint64 pause = std::min(
                    left, busyPause / 2 + QRandomGenerator::global()->bounded(busyPause / 2 + 1));
                busyPause = std::min(busyPause * 2, LongestBusyPause);
                clock.runEventsFor(pause);
                guard::unwindIfEnded();
                continue;
            }
            giveUp(forms);
        }
        if (++attempts < AttemptsPerSeries) {
            processPendingEvents();
            WaitHundredths(HundredthsBetweenAttempts);
            continue;
        }
        if (!secondSeries) {
            showMessage(QStringLiteral("Anmeldung an Caché"),
                        QStringLiteral("Server nach 3 Versuchen nicht erreichbar!\r\n"
                                       "Wahrscheinlich sind keine freien Lizenzen verfügbar!\r\n"
                                       "Bitte Kontrollieren Sie die Verbindungsdaten"),
                        MessageIcon::Exclamation, MessageButtons::Ok);
            // Reconnecting after the user stored new data in the open dialog:
            // that dialog stays open and the second series goes on.
            if (!forms.server().isVisible())
                forms.server().showModal();
            secondSeries = true;
            attempts = 0;
            continue;
        }
        giveUp(forms);
    }
}

void BeginServerWork()
{
    ConnectServer();
    LoginForms::current().stopIdleTimer();
}

void EndServerWork(bool restorePointer)
{
    if (restorePointer)
        setMousePointer(MousePointer::Arrow);
    LoginForms::current().startIdleTimer();
}

void CloseConnection()
{
    LoginForms::current().stopIdleTimer();
    Session &state = session();
    try {
        if (state.Factory && state.Factory->connected())
            state.Factory->disconnect();
    } catch (...) { // every error of the disconnect is ignored; it runs no handler
    }
}

void UnloadAllForms(int status)
{
    // The main window's unload calls this again while the windows unload: the
    // program ends with the status of the first call.
    static std::optional<int> unloadingWith;
    if (unloadingWith)
        guard::end(*unloadingWith);
    unloadingWith = status;
    struct Reset {
        ~Reset() { unloadingWith.reset(); }
    } reset;
    LoginForms::current().unloadAll();
    guard::end(status);
}

} // namespace tolvan
