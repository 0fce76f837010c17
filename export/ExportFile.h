#pragma once

#include "ReplacingFile.h"
#include "RuntimeError.h"

#include <QByteArray>
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

// Turns row texts, as they come, into export lines: one line per row that has
// an EAN (field 3): location, ",", EAN, ",", quantity (field 4), CR LF;
// unquoted, in Windows-1252 with "?" for what it cannot hold. Hands them to
// the device in large blocks; raises ExportFailed (naming `name`) when the
// device takes no more bytes.
class ExportLines {
public:
    ExportLines(QIODevice &device, const QString &location, QString name);
    void add(QStringView row);
    // The same for a row in UTF-8.
    void addUtf8(QByteArrayView row);
    // Writes what is left; returns the number of lines.
    qsizetype finish();

private:
    void lineAdded();
    void put();

    QIODevice &m_device;
    QString m_name;
    QByteArray m_prefix;
    QByteArray m_block;
    qsizetype m_lines = 0;
};

// The export file at `path`, filled row by row and put in place by commit():
// until then an existing file stays as it was, and an export given up before
// leaves none of its bytes behind. A symbolic link at the path is replaced
// itself, never written through; devices and pipes are refused. Raises
// ExportFailed with the reason when the file cannot be written.
class ExportFile {
public:
    ExportFile(const QString &path, const QString &location);
    void add(QStringView row) { m_lines.add(row); }
    void addUtf8(QByteArrayView row) { m_lines.addUtf8(row); }
    // Returns the number of lines.
    qsizetype commit();

private:
    QString m_path;
    ReplacingFile m_file;
    ExportLines m_lines;
};

// All rows to a device; returns the number of lines.
qsizetype writeExportLines(QIODevice &device, const QString &location, const ExportRows &rows,
                           const QString &name);

// All rows into the file at `path` (an ExportFile); returns the number of lines.
qsizetype saveExportFile(const QString &path, const QString &location, const ExportRows &rows);

} // namespace tolvan
