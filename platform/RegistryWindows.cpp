// The Windows registry through advapi32's single-byte functions.

#include "Registry.h"

#include <windows.h>

namespace tolvan {
namespace {

class WindowsRegistry : public Registry {
public:
    long open(quint32 root, const QByteArray &path, quint32 access, quintptr &key) override
    {
        HKEY opened = nullptr;
        // Predefined keys are 32-bit values, sign-extended to a 64-bit handle.
        const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(root)));
        const LONG status = RegOpenKeyExA(rootKey, path.constData(), 0, access, &opened);
        key = reinterpret_cast<quintptr>(opened);
        return status;
    }
    long query(quintptr key, const QByteArray &name, quint32 &type, char *buffer,
               quint32 &size) override
    {
        DWORD valueType = 0;
        DWORD valueSize = size;
        const LONG status =
            RegQueryValueExA(reinterpret_cast<HKEY>(key), name.constData(), nullptr, &valueType,
                             reinterpret_cast<BYTE *>(buffer), &valueSize);
        type = valueType;
        size = valueSize;
        return status;
    }
    void close(quintptr key) override
    {
        if (key)
            RegCloseKey(reinterpret_cast<HKEY>(key));
    }
};

} // namespace

Registry *systemRegistry()
{
    static WindowsRegistry registry;
    return &registry;
}

} // namespace tolvan
