// MoveFileExW replaces the directory entry at the target, a symbolic link
// included, without following it; MOVEFILE_WRITE_THROUGH returns only once
// the move is on the disk.

#include "FileReplace.h"

#include <QDir>
#include <QFile>
#include <io.h>
#include <windows.h>

namespace tolvan {
namespace {

QString lastError()
{
    return qt_error_string(int(GetLastError()));
}

const wchar_t *native(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

} // namespace

QString replaceFile(QFile &written, const QString &target)
{
    if (!written.flush())
        return written.errorString();
    // QFile hands out a C runtime descriptor; the system's handle lies behind it.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(written.handle()));
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) {
        const QString reason = lastError();
        written.close();
        return reason;
    }
    written.close();
    const QString source = QDir::toNativeSeparators(written.fileName());
    const QString destination = QDir::toNativeSeparators(target);
    if (!MoveFileExW(native(source), native(destination),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return lastError();
    return {};
}

} // namespace tolvan
