#include "ConnectionSettings.h"

#include "LoginForms.h"
#include "ServerCalls.h"
#include "Session.h"
#include "SettingsStore.h"
#include "TextUtils.h"

#include <QRegularExpression>

namespace tolvan {
namespace {

void fillServerForm()
{
    const Session &state = session();
    Form &server = LoginForms::current().server();
    server.setText(QStringLiteral("BFIRMA"), state.Firm);
    server.setText(QStringLiteral("BFIL"), state.Branch);
    server.setText(QStringLiteral("BSERVERIP"), state.ServerAddress);
    server.setText(QStringLiteral("BPORT"), state.Port);
    server.setText(QStringLiteral("BNAMESPACE"), state.Namespace);
    server.setText(QStringLiteral("BWJ"), state.WJ);
    LoginForms::current().login().setText(QStringLiteral("BUSER"), state.LoginName);
}

const QString DefaultCommandLinePort = QStringLiteral("1972");
const QString DefaultStoredPort = QStringLiteral("1973");

void takeCommandLine()
{
    Session &state = session();
    const QString &line = state.CommandLine;
    const QString space = QStringLiteral(" ");
    state.Firm = GetField(line, space, 1);
    state.Branch = GetField(line, space, 2);
    state.LoginName = GetField(line, space, 3);
    state.Password = GetField(line, space, 4);
    state.ServerAddress = GetField(line, space, 5, loginSettings::DefaultServerAddress);
    state.Port = GetField(line, space, 6, DefaultCommandLinePort);
    state.Namespace = GetField(line, space, 7, QStringLiteral("TOLVAN"));
    state.WJ = GetField(line, space, 8);
    fillServerForm();
}

} // namespace

QString connectStringFor(const QString &serverAddress, const QString &port)
{
    return QStringLiteral("cn_iptcp:") + serverAddress + u'[' + port + QStringLiteral("]:TOLVAN");
}

bool commandLineHasLogin(const QString &commandLine)
{
    // A number as the desktop reads one: sign, digits, decimal point or comma, exponent.
    static const QRegularExpression number(QRegularExpression::anchoredPattern(
        QStringLiteral("[+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)([eE][+-]?[0-9]+)?")));
    return number.match(GetField(commandLine, QStringLiteral(" "), 1)).hasMatch();
}

void LoadConnectionSettings()
{
    Session &state = session();
    state.Firm = GetSetting(loginSettings::Firm, QStringLiteral("1"));
    state.Branch = GetSetting(loginSettings::Branch, QStringLiteral("0"));
    state.ServerAddress = GetSetting(loginSettings::Server, loginSettings::DefaultServerAddress);
    state.Port = GetSetting(loginSettings::Port, DefaultStoredPort);
    state.Namespace = GetSetting(loginSettings::Namespace, QStringLiteral("TOLVAN"));
    state.ConnectString = connectStringFor(state.ServerAddress, state.Port);
    // The WJ query may connect and, when the server cannot be reached, show the
    // server settings, where the user can store them: the dialogs show the
    // stored values by then, not their design-time texts, so that storing
    // keeps the login.
    fillServerForm();
    const QString storedPassword = state.PasswordInstead.isEmpty()
                                       ? XorText(GetSetting(loginSettings::Password))
                                       : state.PasswordInstead;
    if (!state.KeepTypedPassword)
        LoginForms::current().login().setText(QStringLiteral("BPASSWORT"), storedPassword);
    LoginForms::current().login().setText(QStringLiteral("BUSER"), GetSetting(loginSettings::Name));
    state.WJ = DBCall(QStringLiteral("S P0=$P(^FA(0),\"`\",2) W P0"));
    state.LoginName = GetSetting(loginSettings::Name);
    Form &login = LoginForms::current().login();
    state.Password = login.text(QStringLiteral("BPASSWORT"));
    if (!state.KeepTypedPassword) {
        state.Password = storedPassword;
        login.setText(QStringLiteral("BPASSWORT"), state.Password);
    }
    fillServerForm();
}

ServerAndPort nextServerAndPort()
{
    const QString &line = session().CommandLine;
    const QString space = QStringLiteral(" ");
    if (commandLineHasLogin(line))
        return {GetField(line, space, 5, loginSettings::DefaultServerAddress),
                GetField(line, space, 6, DefaultCommandLinePort)};
    return {GetSetting(loginSettings::Server, loginSettings::DefaultServerAddress),
            GetSetting(loginSettings::Port, DefaultStoredPort)};
}

void PrepareLogin()
{
    Session &state = session();
    if (commandLineHasLogin(state.CommandLine)) {
        takeCommandLine();
    } else {
        LoadConnectionSettings();
        if (state.Password.isEmpty() || state.KeepTypedPassword || state.LoginFailed ||
            state.LoginName.isEmpty()) {
            Form &login = LoginForms::current().login();
            if (!login.isVisible())
                login.showModal();
            LoadConnectionSettings();
        }
    }
    state.ConnectString = connectStringFor(state.ServerAddress, state.Port);
}

} // namespace tolvan
