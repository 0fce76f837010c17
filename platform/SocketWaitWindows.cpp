#include "SocketWait.h"

#include <QDeadlineTimer>
#include <winsock2.h>

namespace tolvan {

SocketWait waitForSocket(qintptr socket, bool forWriting, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    WSAPOLLFD entry{SOCKET(socket), SHORT(forWriting ? POLLWRNORM : POLLRDNORM), 0};
    const int ready = WSAPoll(&entry, 1, INT(deadline.remainingTime()));
    if (ready > 0)
        return SocketWait::Ready;
    return ready == 0 ? SocketWait::TimedOut : SocketWait::Failed;
}

} // namespace tolvan
