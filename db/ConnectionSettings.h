#pragma once

#include "SettingKey.h"

#include <QString>

namespace tolvan {

// The login data in the settings store. An administrator may preset the
// firm, the branch and the server (address, port, namespace) for every user;
// never the name and password: such a file or key is readable by every user,
// and the scrambling of the password is its own inverse.
namespace loginSettings {
inline const QString Application = QStringLiteral("Cache Login");
inline const QString Section = QStringLiteral("Login");
inline const SettingKey Firm{Application, Section, QStringLiteral("Firma"), true};
inline const SettingKey Branch{Application, Section, QStringLiteral("Filiale"), true};
inline const SettingKey Server{Application, Section, QStringLiteral("Server"), true};
inline const SettingKey Port{Application, Section, QStringLiteral("Port"), true};
inline const SettingKey Namespace{Application, Section, QStringLiteral("Namespace"), true};
inline const SettingKey Name{Application, Section, QStringLiteral("Name"), false};
inline const SettingKey Password{Application, Section, QStringLiteral("Passwort"), false};
// The server address when none is given: the empty text, the embedded database.
inline const QString DefaultServerAddress;
} // namespace loginSettings

// Reads the stored connection and login data into the session, asks the server
// for the WJ value and fills both dialogs' fields.
void LoadConnectionSettings();

// Gathers the login data: from the command line when its first field is a
// number, otherwise from the store, with the login dialog when something is
// missing or the last login failed. Builds the connection string.
void PrepareLogin();

// Whether the command line carries the login data (its first field is a number).
bool commandLineHasLogin(const QString &commandLine);

// The server address and port the next login connects to, read from the
// command line or the store as PrepareLogin reads them, without connecting.
struct ServerAndPort {
    QString address, port;
};
ServerAndPort nextServerAndPort();

// "cn_iptcp:ADDRESS[PORT]:TOLVAN": the stored namespace never enters it.
QString connectStringFor(const QString &serverAddress, const QString &port);

} // namespace tolvan
