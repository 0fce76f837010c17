#pragma once

#include <QtGlobal>

namespace tolvan {

enum class SocketWait { Ready, TimedOut, Failed };

// Waits until the socket can be read (or written, with `forWriting`), at most
// `milliseconds`. One source per operating system.
SocketWait waitForSocket(qintptr socket, bool forWriting, int milliseconds);

} // namespace tolvan
