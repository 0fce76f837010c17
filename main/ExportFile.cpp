#include "ExportFile.h"

#include "Windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace tolvan {
namespace {

// Bytes are handed to the device in blocks of about this size.
constexpr qsizetype BlockBytes = qsizetype(1) << 20;

// The field n (from 1) of a row, without copying it.
QStringView field(QStringView row, int n)
{
    qsizetype start = 0;
    for (int i = 1; i < n; ++i) {
        start = row.indexOf(u'\n', start);
        if (start < 0)
            return {};
        ++start;
    }
    const qsizetype end = row.indexOf(u'\n', start);
    return row.mid(start, end < 0 ? row.size() - start : end - start);
}

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
        {"No space left on device", "Kein Platz mehr auf dem Datenträger"},
        {"Read-only file system", "Das Dateisystem ist schreibgeschützt"},
        {"Disk quota exceeded", "Speicherkontingent überschritten"},
        {"Is a directory", "Das ist ein Ordner"},
    };
    for (const auto &[english, german] : known) {
        if (text.contains(QLatin1String(english), Qt::CaseInsensitive))
            return QString::fromUtf8(german);
    }
    return text;
}

// Why a file cannot be opened for writing, as the user can act on it.
QString openFailure(const QString &path, const QString &reason)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (file.isDir())
        return QStringLiteral("„%1“ ist ein Ordner.").arg(shown(path));
    if (!folder.exists())
        return QStringLiteral("Der Ordner „%1“ existiert nicht.").arg(shown(folder.filePath()));
    if (file.exists() && !file.isWritable())
        return QStringLiteral("Die Datei ist schreibgeschützt.");
    if (!folder.isWritable())
        return QStringLiteral("Keine Berechtigung zum Schreiben in den Ordner „%1“.")
            .arg(shown(folder.filePath()));
    return QStringLiteral("Im Ordner „%1“ lässt sich keine Datei anlegen (%2).")
        .arg(shown(folder.filePath()), systemReason(reason));
}

ExportFailed failure(const QString &name, const QString &reason)
{
    return ExportFailed(QStringLiteral("Die Datei „%1“ konnte nicht geschrieben werden.\n\n%2")
                            .arg(shown(name), reason));
}

void put(QIODevice &device, QByteArray &block, const QString &name)
{
    if (device.write(block) != block.size())
        throw failure(name, QStringLiteral("Beim Schreiben ist ein Fehler aufgetreten; der "
                                           "Datenträger ist möglicherweise voll (%1).")
                                .arg(systemReason(device.errorString())));
    block.clear();
}

} // namespace

qsizetype writeExportLines(QIODevice &device, const QString &location, const ExportRows &rows,
                           const QString &name)
{
    QByteArray prefix;
    windows1252::append(prefix, location);
    prefix += ',';
    QByteArray block;
    block.reserve(BlockBytes + 4096);
    qsizetype lines = 0;
    for (qsizetype row = 0; row < rows.count; ++row) {
        const QString text = rows.text(row);
        const QStringView ean = field(text, 3);
        if (ean.isEmpty())
            continue;
        block += prefix;
        windows1252::append(block, ean);
        block += ',';
        windows1252::append(block, field(text, 4));
        block += "\r\n";
        ++lines;
        if (block.size() >= BlockBytes)
            put(device, block, name);
    }
    put(device, block, name);
    return lines;
}

qsizetype saveExportFile(const QString &path, const QString &location, const ExportRows &rows)
{
    const QFileInfo existing(path);
    // A device or a pipe would be replaced by an ordinary file: refuse it.
    if (existing.exists() && !existing.isDir() && !existing.isFile())
        throw failure(path, QStringLiteral("„%1“ ist keine gewöhnliche Datei (ein Gerät oder "
                                           "eine Pipe).")
                                .arg(shown(path)));
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (existing.isDir() || !file.open(QIODevice::WriteOnly))
        throw failure(path, openFailure(path, file.errorString()));
    const qsizetype lines = writeExportLines(file, location, rows, path);
    if (!file.commit())
        throw failure(path, QStringLiteral("Die fertige Datei konnte nicht an ihren Platz gelegt "
                                           "werden (%1).")
                                .arg(systemReason(file.errorString())));
    if (existing.exists()) // the replaced file's permissions stay
        QFile::setPermissions(path, existing.permissions());
    return lines;
}

} // namespace tolvan
