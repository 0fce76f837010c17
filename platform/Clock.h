#pragma once

#include "Installed.h"

#include <QtGlobal>

namespace tolvan {

// The clock the program's waits use: monotonic milliseconds, and a wait that
// lets every pending event run meanwhile. The real one is installed by default;
// tests install one that lets a ten-second wait pass at once.
class Clock : public Installed<Clock> {
public:
    virtual ~Clock() = default;
    // Milliseconds since some fixed start; never goes back.
    virtual qint64 now() = 0;
    // Runs events as they come for up to `milliseconds`, sleeping between them.
    virtual void runEventsFor(qint64 milliseconds) = 0;

    // The installed clock; without one (install(nullptr)) the real one.
    static Clock &current();
};

} // namespace tolvan
