#pragma once

#include "Installed.h"

#include <QByteArray>
#include <QtGlobal>

namespace tolvan {

// The system registry as the desktop's single-byte (ANSI) functions read it:
// open a key, query a value into a buffer, close. The real one exists on
// Windows only; elsewhere there is none. Tests install a fake.
class Registry : public Installed<Registry> {
public:
    static constexpr quint32 LocalMachine = 0x80000002; // HKEY_LOCAL_MACHINE
    static constexpr quint32 ReadAndWrite = 0x2003F;    // KEY_READ plus every key right
    enum Type : quint32 {
        String = 1,
        ExpandString = 2,
        Binary = 3,
        DoubleWord = 4,
        MultiString = 7
    };

    virtual ~Registry() = default;
    // 0 on success, otherwise the system's error code; `key` is then unusable.
    virtual long open(quint32 root, const QByteArray &path, quint32 access, quintptr &key) = 0;
    // Reads at most `size` bytes of the value into `buffer`; `size` becomes the
    // value's size. Data longer than the buffer is an error.
    virtual long query(quintptr key, const QByteArray &name, quint32 &type, char *buffer,
                       quint32 &size) = 0;
    virtual void close(quintptr key) = 0;

    // The installed registry (a test's), else the system's; nullptr where the
    // system has none.
    static Registry *current();
};

} // namespace tolvan
