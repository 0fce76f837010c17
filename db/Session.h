#pragma once

#include "Factory.h"

#include <QString>
#include <memory>

namespace tolvan {

// The user's personnel data, copied from the server at login.
struct UserData {
    QString BERGRP, PNAME, PNR, ABTBEZ, AbtNr, HAbtNr, DW, fax, EMAIL;
};

// The one state record of the process: connection data, the connection, and
// who is logged in. Every text is empty, both flags false and there is no
// factory until the login fills them.
struct Session {
    // connection data, gathered before every login
    QString CommandLine, Firm, Branch, ServerAddress, Port, Namespace, WJ, LoginName, Password,
        ConnectString;
    // the connection; replaced on every reconnect
    std::unique_ptr<tolvan::Factory> Factory;
    // login name, "|", display name; empty while nobody is logged in
    QString UserIdent;
    bool LoginFailed = false;
    // a server step of the last login failed: the stored password is neither
    // loaded nor overwritten
    bool KeepTypedPassword = false;
    // the export without a window: a password that takes the stored one's
    // place (TOLVAN_PASSWORD); empty: the stored one
    QString PasswordInstead;
    // the export without a window: how long a server that refuses for now (no
    // free connection slot, see Factory::lastConnectBusy) is tried again, in
    // milliseconds; 0: such a refusal counts as any failed attempt
    qint64 BusyServerPatience = 0;
    // the number of the server error that ended the last login, 0 if none
    qint32 LoginError = 0;
    tolvan::UserData UserData;
};

Session &session();

// The program's command-line text without its own path: the arguments as
// typed, joined by single blanks (CommandLine.h in platform). main() hands it
// over before anything reads it; empty until then. Tests set it.
QString programCommandLine();
void setProgramCommandLine(const QString &text);

} // namespace tolvan
