#pragma once

#include <QStringList>

class QTextStream;

namespace tolvan {

// The export without a window, for scheduled runs:
//   tolvan-dravonik-export --export FILE --supplier NUMBER --location TEXT [LOGIN FIELDS]
// The same login, lookup, stock query and file as the window; every message
// the window would show goes to `messages` (standard error) in the same words.
namespace headless {

enum Status {
    Written = 0,
    Failed = 1, // an error no step expects
    WrongUsage = 2,
    LoginRefused = 3,
    SupplierUnknown = 4,
    ServerUnreachable = 5,
    NotWritten = 6,
    BranchUnknown = 7,
};

// Whether the arguments ask for the export without a window (they carry its options).
bool isRequested(const QStringList &arguments);

// Runs it; `arguments` without the program's name. The help goes to `out`,
// every message to `messages`. Returns the exit status.
int run(const QStringList &arguments, QTextStream &out, QTextStream &messages);

} // namespace headless
} // namespace tolvan
