// Windows: the common Save dialog, without a default extension (it would be
// added to a name typed without one) and without asking before a file is
// replaced (the program asks itself).

#include "FileSaveDialog.h"

#include <QDir>
#include <QGuiApplication>
#include <shobjidl.h>
#include <windows.h>

namespace tolvan {
namespace {

template <typename T> struct Released {
    T *object = nullptr;
    ~Released()
    {
        if (object)
            object->Release();
    }
};

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

} // namespace

bool showSystemSaveDialog(QWidget *parent, const SaveRequest &request, QString &chosen)
{
    if (QGuiApplication::platformName() != QLatin1String("windows"))
        return false;
    Released<IFileSaveDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&dialog.object))))
        return false;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog.object->GetOptions(&options);
    options &= ~FILEOPENDIALOGOPTIONS(FOS_OVERWRITEPROMPT);
    options |= FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR | FOS_PATHMUSTEXIST;
    dialog.object->SetOptions(options);
    dialog.object->SetTitle(L"Speichern unter");
    if (!request.filter.isEmpty()) {
        const COMDLG_FILTERSPEC type{wide(request.filter), wide(request.filter)};
        dialog.object->SetFileTypes(1, &type);
    }
    const QString folder = QDir::toNativeSeparators(request.initialFolder);
    Released<IShellItem> start;
    if (!folder.isEmpty() &&
        SUCCEEDED(SHCreateItemFromParsingName(wide(folder), nullptr, IID_PPV_ARGS(&start.object))))
        dialog.object->SetFolder(start.object);
    dialog.object->SetFileName(wide(request.fileName));
    const HWND owner = parent ? reinterpret_cast<HWND>(parent->window()->winId()) : nullptr;
    const HRESULT shown = dialog.object->Show(owner);
    chosen.clear();
    if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED))
        return true;
    if (FAILED(shown))
        return false;
    Released<IShellItem> result;
    if (FAILED(dialog.object->GetResult(&result.object)))
        return true;
    PWSTR path = nullptr;
    if (SUCCEEDED(result.object->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        chosen = QString::fromWCharArray(path);
        CoTaskMemFree(path);
    }
    return true;
}

} // namespace tolvan
