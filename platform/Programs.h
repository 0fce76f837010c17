#pragma once

#include "Installed.h"

#include <QString>
#include <QStringList>

namespace tolvan {

// Starting other programs: finding them, and starting one as a separate process
// without waiting for it. Tests install a fake.
class Programs : public Installed<Programs> {
public:
    virtual ~Programs() = default;
    // The full path of an executable on the search path, or "".
    virtual QString find(const QString &name) = 0;
    // An ordinary file: not a folder, not hidden.
    virtual bool isPlainFile(const QString &path) = 0;
    virtual bool startDetached(const QString &path, const QStringList &arguments) = 0;

    static Programs &current();
};

} // namespace tolvan
