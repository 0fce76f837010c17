#pragma once

#include "Clock.h"

#include <QCoreApplication>
#include <QList>
#include <functional>

// A clock whose waits pass at once: every wait runs the pending events, is
// recorded, and moves the time on by what was asked. Installs itself while it lives.
class FakeClock : public tolvan::Clock {
public:
    FakeClock() { install(this); }
    ~FakeClock() override { install(nullptr); }

    qint64 now() override { return time; }
    void runEventsFor(qint64 milliseconds) override
    {
        QCoreApplication::processEvents();
        waits << milliseconds;
        time += milliseconds;
        if (duringWait)
            duringWait();
    }

    qint64 time = 1'000'000;
    QList<qint64> waits;
    // Runs in every wait, as an event would (e.g. the server comes back).
    std::function<void()> duringWait;
};
