#pragma once

#include "RuntimeError.h"

#include <QString>
#include <functional>

class QIODevice;

namespace tolvan {

// The rows to export: how many, and the text of each (four line-feed separated fields).
struct ExportRows {
    qsizetype count = 0;
    std::function<QString(qsizetype row)> text;
};

// A file that could not be written; the description names the file and why, in German.
class ExportFailed : public RuntimeError {
public:
    explicit ExportFailed(const QString &description) : RuntimeError(75, description) {}
};

// Writes one line per row that has an EAN (field 3): location, ",", EAN, ",",
// quantity (field 4), CR LF; in row order, unquoted, in Windows-1252 with "?"
// for what it cannot hold. Returns the number of lines; raises ExportFailed
// (naming `name`) when the device takes no more bytes.
qsizetype writeExportLines(QIODevice &device, const QString &location, const ExportRows &rows,
                           const QString &name);

// Writes the export into the file, replacing it completely and at once: an
// existing file stays as it was until the new one is whole. Returns the number
// of lines; raises ExportFailed with the reason when the file cannot be written.
qsizetype saveExportFile(const QString &path, const QString &location, const ExportRows &rows);

} // namespace tolvan
