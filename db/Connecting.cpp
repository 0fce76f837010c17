#include "Connecting.h"

#include "Guard.h"
#include "LoginForms.h"
#include "MessageBoxes.h"
#include "MousePointer.h"
#include "ServerCalls.h"
#include "ServerChoice.h"
#include "Session.h"
#include "TextUtils.h"

#include <QRegularExpression>
#include <optional>

namespace tolvan {
namespace {

constexpr int AttemptsPerSeries = 3;
constexpr int HundredthsBetweenAttempts = 1000;

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
    for (;;) {
        if (attemptConnect()) {
            announceIdentity();
            return;
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
        showMessage(QStringLiteral("Anmeldung an Caché"),
                    QStringLiteral("Der Server ist nicht erreichbar!\r\n"
                                   "Wahrscheinlich sind keine Lizenzen frei. Die Anwendung wird "
                                   "beendet!\r\n"
                                   "Bitte Versuchen Sie die Anmeldung zu einem späteren Zeitpunk "
                                   "noch ein mal."),
                    MessageIcon::Critical, MessageButtons::Ok);
        forms.server().hide();
        session().UserIdent.clear();
        if (isConnected())
            session().Factory->disconnect();
        forms.quit(1); // a failure, not a cancel
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
