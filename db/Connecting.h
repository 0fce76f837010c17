#pragma once

#include <QString>

namespace tolvan {

// Connects when the connection is down: three attempts ten seconds apart; when
// they fail, a message and the server settings dialog, then three more; when
// those fail too, a last message and the program ends. A fresh connection is
// told who works on it (the identity command) and logged on the server.
void ConnectServer();

// Server work is bracketed by these two: connect and stop the idle timer;
// start it again, with the arrow pointer when `restorePointer` is set.
void BeginServerWork();
void EndServerWork(bool restorePointer);

// Drops the connection; errors are ignored. Stops the idle timer.
void CloseConnection();

// Unloads every window and ends the program at once with the status.
[[noreturn]] void UnloadAllForms(int status = 0);

// "S FIRMA=…,FIL=…,PERSONAL=\"…\"": firm and branch bare when they are plain
// unsigned numbers, otherwise, like the personnel code, as M string literals,
// so that no value can add commands of its own.
QString IdentityCommand(const QString &firm, const QString &branch, const QString &personnelCode);

} // namespace tolvan
