#pragma once

#include "RuntimeError.h"

#include <QString>
#include <memory>

namespace tolvan {

class ServerObject;

// Runs one M command line on the server and returns what it wrote; after a
// failure, which it reports, the empty text.
QString DBCall(const QString &command);

// The one report of failed server work ("Caché Zugriffsfehler", naming the
// operation); the idle timer runs again afterwards.
void ShowCacheError(const RuntimeError &error, const QString &operation);

// Finishes a server object; its errors are ignored. The reference is empty afterwards.
void CloseObject(std::unique_ptr<ServerObject> &object);

} // namespace tolvan
