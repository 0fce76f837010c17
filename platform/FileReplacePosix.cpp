// rename(2) replaces the directory entry itself: a link at the target is
// replaced, never followed.

#include "FileReplace.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace tolvan {

QString replaceFile(QFile &written, const QString &target)
{
    if (!written.flush())
        return written.errorString();
    // The new bytes reach the disk before the name does, so that a crash
    // leaves the old file or the whole new one.
    if (::fsync(written.handle()) != 0 && errno != EINVAL) {
        const int error = errno;
        written.close();
        return qt_error_string(error);
    }
    written.close();
    if (::rename(QFile::encodeName(written.fileName()).constData(),
                 QFile::encodeName(target).constData()) != 0)
        return qt_error_string(errno);
    return {};
}

} // namespace tolvan
