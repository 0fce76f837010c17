#include "Clock.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace tolvan {
namespace {

class SystemClock : public Clock {
public:
    SystemClock() { m_started.start(); }
    qint64 now() override { return m_started.elapsed(); }
    void runEventsFor(qint64 milliseconds) override
    {
        QEventLoop loop;
        QTimer::singleShot(std::chrono::milliseconds(milliseconds), &loop, &QEventLoop::quit);
        loop.exec();
    }

private:
    QElapsedTimer m_started;
};

} // namespace

Clock &Clock::current()
{
    static SystemClock system;
    return installed() ? *installed() : system;
}

} // namespace tolvan
