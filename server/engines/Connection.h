#pragma once

#include "Engine.h"
#include "ServerError.h"

#include <QHash>
#include <memory>

namespace tolvan {

// One connection to the database with the M local variables that live as long
// as it does. A closed connection keeps no engine.
struct Connection {
    explicit Connection(std::unique_ptr<Engine> e) : engine(std::move(e)) {}

    bool isOpen() const { return engine && engine->isOpen(); }
    Engine &database()
    {
        if (!isOpen())
            throw ServerError(ServerError::NotConnected,
                              QStringLiteral("Keine Verbindung zum Datenbankserver"));
        return *engine;
    }
    void close()
    {
        engine.reset();
        locals.clear();
    }

    std::unique_ptr<Engine> engine;
    QHash<QString, QString> locals;
};

} // namespace tolvan
