#include "Login.h"

#include "Connecting.h"
#include "ConnectionSettings.h"
#include "LoginForms.h"
#include "MessageBoxes.h"
#include "ServerCalls.h"
#include "Session.h"
#include "TextUtils.h"

namespace tolvan {
namespace {

QString text(ServerObject &object, const QString &property)
{
    return object.property(property).toString();
}

QString converted(ServerObject &object, const QString &method, const QString &property)
{
    return object.call(method, {object.property(property)}).toString();
}

// The steps after the password check; `step` names the one running.
void setUpSession(std::unique_ptr<ServerObject> &user, QString &step)
{
    // The factory is read anew for every call: the events that CloseObject runs
    // may have replaced it.
    Session &state = session();
    UserData &data = state.UserData;
    state.UserIdent =
        state.LoginName + u'|' +
        converted(*user, QStringLiteral("PNAMELogicalToODBC"), QStringLiteral("PNAME"));
    data.PNAME = converted(*user, QStringLiteral("PNAMELogicalToODBC"), QStringLiteral("PNAME"));
    data.PNR = text(*user, QStringLiteral("PNR"));
    data.DW = text(*user, QStringLiteral("DW"));
    data.BERGRP = text(*user, QStringLiteral("BERGRP"));
    const QString department = text(*user, QStringLiteral("AbtNr"));

    step = QStringLiteral("Abteilungsermittlung");
    std::unique_ptr<ServerObject> abt = state.Factory->openId(
        QStringLiteral("TV.ParPersAbt"), state.Firm + QStringLiteral("||") + department);
    data.ABTBEZ = converted(*abt, QStringLiteral("ABTBEZlogicaltoodbc"), QStringLiteral("abtbez"));
    data.AbtNr = text(*abt, QStringLiteral("AbtNr"));
    data.HAbtNr = text(*abt, QStringLiteral("HAbtNr"));
    CloseObject(abt);

    step = QStringLiteral("PersBasis Nummern");
    std::unique_ptr<ServerObject> basis = state.Factory->openId(
        QStringLiteral("TV.PersBasis"),
        state.Firm + QStringLiteral("||") + text(*user, QStringLiteral("PNR")));
    data.fax = text(*basis, QStringLiteral("fax"));
    data.EMAIL = converted(*basis, QStringLiteral("EMailLogicalToODBC"), QStringLiteral("EMAIL"));
    CloseObject(basis);
    CloseObject(user);

    step = QStringLiteral("Firma Filiale Personal Setzen");
    std::unique_ptr<ServerObject> windows =
        state.Factory->createObject(QStringLiteral("TV.Windows"));
    windows->call(QStringLiteral("Xecute"),
                  {IdentityCommand(state.Firm, state.Branch,
                                   GetField(state.UserIdent, QStringLiteral("|"), 1))});
    CloseObject(windows);
}

} // namespace

bool CacheLogin()
{
    Session &state = session();
    state.UserIdent.clear();
    state.LoginError = 0;
    if (state.CommandLine.isEmpty())
        state.CommandLine = programCommandLine();
    PrepareLogin();
    BeginServerWork();

    LoginForms &forms = LoginForms::current();
    bool loggedIn = false;
    QString step = QStringLiteral("Anmeldung mit nicht existierendem Personalcode");
    try {
        std::unique_ptr<ServerObject> user = state.Factory->openId(
            QStringLiteral("TV.ParPersEdv"), state.Firm + QStringLiteral("||") + state.LoginName);
        if (text(*user, QStringLiteral("Passwort")) != state.Password ||
            text(*user, QStringLiteral("AKTIV")) != u"J") {
            showMessage(QStringLiteral("Anmeldung an Caché."),
                        QStringLiteral("Passwort Falsch oder Benutzer nicht Aktiv."),
                        MessageIcon::Information, MessageButtons::Ok);
            state.LoginFailed = true;
            forms.login().selectAll(QStringLiteral("BPASSWORT"));
        } else {
            setUpSession(user, step);
            state.LoginFailed = false;
            loggedIn = true;
        }
    } catch (const RuntimeError &error) {
        state.LoginError = error.number();
        state.LoginFailed = true;
        state.KeepTypedPassword = true;
        ShowCacheError(error, step);
        return false;
    }
    EndServerWork(false);
    forms.login().hide();
    forms.server().hide();
    return loggedIn;
}

} // namespace tolvan
