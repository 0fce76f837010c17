#include "SocketWait.h"

#include <QDeadlineTimer>
#include <cerrno>
#include <poll.h>

namespace tolvan {

SocketWait waitForSocket(qintptr socket, bool forWriting, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    for (;;) {
        pollfd entry{int(socket), short(forWriting ? POLLOUT : POLLIN), 0};
        const int ready = ::poll(&entry, 1, int(deadline.remainingTime()));
        if (ready > 0)
            return SocketWait::Ready; // also an error or a hang-up: the reader finds out
        if (ready == 0)
            return SocketWait::TimedOut;
        if (errno != EINTR)
            return SocketWait::Failed;
    }
}

} // namespace tolvan
