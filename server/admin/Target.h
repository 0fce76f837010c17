#pragma once

#include <QString>
#include <memory>

namespace tolvan {

class Engine;

// The database an administrator works on: an embedded file or a PostgreSQL database.
struct Target {
    QString file;   // the embedded database, when no server is named
    QString server; // PostgreSQL host
    int port = 5432;
    QString nameSpace = QStringLiteral("TOLVAN");

    bool isServer() const { return !server.isEmpty(); }
    QString describe() const;
    // The connection string with which the program reaches this database.
    QString connectString() const;
    // Opens it; a missing file is created only when `create` is set.
    std::unique_ptr<Engine> open(bool create) const;
};

} // namespace tolvan
