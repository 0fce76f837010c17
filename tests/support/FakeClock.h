#pragma once

#include "Clock.h"

#include <QCoreApplication>
#include <QList>
#include <functional>

// A clock whose waits pass at once: every wait runs the pending events, is
// recorded, and moves the time on by what was asked. Installs itself while it
// lives. A wait that would not move the time on (nothing asked, or far more
// waits than any test makes) ends the test at once with the reason: a wait
// loop on this clock would otherwise spin until ctest's timeout.
class FakeClock : public tolvan::Clock {
public:
    FakeClock() { install(this); }
    ~FakeClock() override { install(nullptr); }

    qint64 now() override { return time; }
    void runEventsFor(qint64 milliseconds) override
    {
        if (milliseconds <= 0 || waits.size() >= MostWaits)
            qFatal("FakeClock: a wait of %lld ms after %lld waits; the time would not move on",
                   static_cast<long long>(milliseconds), static_cast<long long>(waits.size()));
        QCoreApplication::processEvents();
        waits << milliseconds;
        time += milliseconds;
        if (duringWait)
            duringWait();
    }

    static constexpr qsizetype MostWaits = 100'000;
    qint64 time = 1'000'000;
    QList<qint64> waits;
    // Runs in every wait, as an event would (e.g. the server comes back).
    std::function<void()> duringWait;
};
