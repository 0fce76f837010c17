#pragma once

#include <QString>

class QFile;

namespace tolvan {

// Puts the file just written, `written` (still open), in the place of `target`
// in one step: flushed to the disk, closed, then renamed over the target
// without resolving links, so a symbolic link there is replaced itself and
// the file it points to is neither written nor created. Both lie in the same
// folder. Returns the empty text, or the system's reason why it failed. One
// source per operating system.
QString replaceFile(QFile &written, const QString &target);

} // namespace tolvan
