#include "ServerCalls.h"

#include "Connecting.h"
#include "MessageBoxes.h"
#include "Session.h"
#include "TextUtils.h"

namespace tolvan {

QString DBCall(const QString &command)
{
    BeginServerWork();
    std::unique_ptr<ServerObject> windows;
    QString written;
    try {
        windows = session().Factory->createObject(QStringLiteral("TV.Windows"));
        written = windows->call(QStringLiteral("Xecute"), {command}).toString();
        CloseObject(windows);
    } catch (const RuntimeError &error) {
        ShowCacheError(error, QStringLiteral("Ungültige Anfrage! Kein Ergebnis gefunden\r\n\r\n"
                                             "DBCall Aufruf von TV.Windwos Xecute ") +
                                  command);
        return QString();
    }
    EndServerWork(false);
    return written;
}

void ShowCacheError(const RuntimeError &error, const QString &operation)
{
    showMessage(QStringLiteral("Caché Zugriffsfehler"),
                QStringLiteral("Vorgang: %1.\r\n\r\nFehler: %2\r\n%3\r\n\r\n")
                    .arg(operation, QString::number(error.number()), error.description()),
                MessageIcon::Exclamation, MessageButtons::Ok);
    EndServerWork(true);
}

void CloseObject(std::unique_ptr<ServerObject> &object)
{
    processPendingEvents();
    if (object) {
        try {
            object->call(QStringLiteral("sys_Close"));
        } catch (const RuntimeError &) {
        }
    }
    object.reset();
}

} // namespace tolvan
