// Windows: a program of the windows subsystem always has a desktop to show its
// windows on; even one started by the Task Scheduler gets a hidden one.

#include "GraphicalSession.h"

namespace tolvan {

bool hasGraphicalSession()
{
    return true;
}

} // namespace tolvan
