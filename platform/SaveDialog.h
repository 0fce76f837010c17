#pragma once

#include "RuntimeError.h"

#include <QString>

namespace tolvan {

struct SaveRequest {
    QString initialFolder;
    QString fileName;
    QString filter; // e.g. "*.csv"
    bool cancelIsError = false;
};

// Raised by a Save dialog that the user cancelled, when the request says so.
class SaveCancelled : public RuntimeError {
public:
    static constexpr qint32 Number = 32755;
    SaveCancelled() : RuntimeError(Number, QStringLiteral("Abbrechen wurde gewählt")) {}
};

// The Save dialog: asks for a file to write and returns its full path; on
// cancel it raises SaveCancelled or, when the request allows it, returns "".
class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    virtual QString showSave(const SaveRequest &request) = 0;
};

} // namespace tolvan
