#include "ExportFile.h"

#include "RowFields.h"
#include "Windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <array>
#include <cstring>

namespace tolvan {
namespace {

// Bytes are handed to the device in blocks of about this size.
constexpr qsizetype BlockBytes = qsizetype(1) << 20;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The system's reason in German, where it is one of the usual ones.
QString systemReason(const QString &text)
{
    static const std::pair<const char *, const char *> known[] = {
        {"No such file or directory", "Datei oder Ordner nicht vorhanden"},
        {"Permission denied", "Zugriff verweigert"},
        {"Operation not permitted", "Vorgang nicht erlaubt"},
        {"File name too long", "Dateiname zu lang"},
        {"No space left on device", "Auf dem Datenträger ist kein Platz mehr"},
        {"Read-only file system", "Das Dateisystem ist schreibgeschützt"},
        {"Disk quota exceeded", "Speicherkontingent überschritten"},
        {"Is a directory", "Das ist ein Ordner"},
        {"Not a directory", "Das ist kein Ordner"},
        {"File too large", "Die Datei ist zu groß"},
        {"Input/output error", "Ein-/Ausgabefehler"},
    };
    for (const auto &[english, german] : known) {
        if (text.contains(QLatin1String(english), Qt::CaseInsensitive))
            return QString::fromUtf8(german);
    }
    return text;
}

ExportFailed failure(const QString &name, const QString &reason)
{
    return ExportFailed(QStringLiteral("Die Datei „%1“ konnte nicht geschrieben werden.\n\n%2")
                            .arg(shown(name), reason));
}

// Why a file cannot be created at the path, as the user can act on it; the
// path itself is looked at, not what a link there points to.
QString openFailure(const QString &path, const QString &reason)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.exists())
        return QStringLiteral("Der Ordner „%1“ existiert nicht.").arg(shown(folder.filePath()));
    if (!folder.isDir())
        return QStringLiteral("„%1“ ist kein Ordner.").arg(shown(folder.filePath()));
    if (!folder.isWritable())
        return QStringLiteral("Keine Berechtigung zum Schreiben in den Ordner „%1“.")
            .arg(shown(folder.filePath()));
    return QStringLiteral("Im Ordner „%1“ lässt sich keine Datei anlegen (%2).")
        .arg(shown(folder.filePath()), systemReason(reason));
}

} // namespace

ExportLines::ExportLines(QIODevice &device, const QString &location, QString name)
    : m_device(device), m_name(std::move(name))
{
    windows1252::append(m_prefix, location);
    m_prefix += ',';
}

void ExportLines::add(QStringView row)
{
    const QStringView ean = rowField(row, u'\n', 3);
    if (ean.isEmpty())
        return;
    m_block += m_prefix;
    windows1252::append(m_block, ean);
    m_block += ',';
    windows1252::append(m_block, rowField(row, u'\n', 4));
    m_block += "\r\n";
    lineAdded();
}

void ExportLines::addUtf8(QByteArrayView row)
{
    const auto fields = leadingFields<4>(row, '\n');
    const QByteArrayView ean = fields[2];
    const QByteArrayView quantity = fields[3];
    if (ean.isEmpty())
        return;
    // ASCII is Windows-1252 already; any other text takes the way of the
    // window's rows, which gives the same bytes.
    if (!isAscii(ean) || !isAscii(quantity))
        return add(QString::fromUtf8(row));
    const qsizetype start = m_block.size();
    m_block.resize(start + m_prefix.size() + ean.size() + quantity.size() + 3);
    char *out = m_block.data() + start;
    const auto copy = [&out](QByteArrayView bytes) {
        std::memcpy(out, bytes.data(), size_t(bytes.size()));
        out += bytes.size();
    };
    copy(m_prefix);
    copy(ean);
    *out++ = ',';
    if (!quantity.isEmpty())
        copy(quantity);
    copy("\r\n");
    lineAdded();
}

void ExportLines::lineAdded()
{
    ++m_lines;
    if (m_block.size() >= BlockBytes)
        put();
}

qsizetype ExportLines::finish()
{
    put();
    return m_lines;
}

void ExportLines::put()
{
    // A device may take part of a block (a file on a disk that fills up); only
    // the next write then tells why it takes no more.
    for (qsizetype done = 0; done < m_block.size();) {
        const qint64 taken = m_device.write(m_block.constData() + done, m_block.size() - done);
        if (taken <= 0)
            throw failure(m_name, QStringLiteral("Beim Schreiben ist ein Fehler aufgetreten: %1.")
                                      .arg(systemReason(m_device.errorString())));
        done += taken;
    }
    m_block.resize(0); // keeps the block's room, unlike clear()
}

ExportFile::ExportFile(const QString &path, const QString &location)
    : m_path(path), m_file(path), m_lines(m_file.device(), location, path)
{
    const QFileInfo existing(path);
    if (!existing.isSymLink()) {
        if (existing.isDir())
            throw failure(path, QStringLiteral("„%1“ ist ein Ordner.").arg(shown(path)));
        // A device or a pipe would be replaced by an ordinary file: refuse it.
        if (existing.exists() && !existing.isFile())
            throw failure(path, QStringLiteral("„%1“ ist keine gewöhnliche Datei (ein Gerät "
                                               "oder eine Pipe).")
                                    .arg(shown(path)));
        // A file without its owner's write permission is read-only for every
        // user, root included, as a read-only file is for an administrator.
        if (existing.exists() &&
            (!existing.isWritable() || !existing.permissions().testFlag(QFile::WriteOwner)))
            throw failure(path, QStringLiteral("Die Datei ist schreibgeschützt."));
    }
    if (!m_file.open())
        throw failure(path, openFailure(path, m_file.errorString()));
}

qsizetype ExportFile::commit()
{
    const qsizetype lines = m_lines.finish();
    if (!m_file.commit())
        throw failure(m_path, QStringLiteral("Die fertige Datei konnte nicht an ihren Platz "
                                             "gelegt werden (%1).")
                                  .arg(systemReason(m_file.errorString())));
    return lines;
}

qsizetype writeExportLines(QIODevice &device, const QString &location, const ExportRows &rows,
                           const QString &name)
{
    ExportLines lines(device, location, name);
    for (qsizetype row = 0; row < rows.count; ++row)
        lines.add(rows.text(row));
    return lines.finish();
}

qsizetype saveExportFile(const QString &path, const QString &location, const ExportRows &rows)
{
    ExportFile file(path, location);
    for (qsizetype row = 0; row < rows.count; ++row)
        file.add(rows.text(row));
    return file.commit();
}

} // namespace tolvan
