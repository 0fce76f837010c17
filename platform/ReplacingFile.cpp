#include "ReplacingFile.h"

#include "FileReplace.h"

#include <QFileInfo>
#include <QRandomGenerator>

namespace tolvan {

ReplacingFile::ReplacingFile(QString path) : m_path(std::move(path)) {}

ReplacingFile::~ReplacingFile()
{
    if (m_file.isOpen())
        m_file.remove();
}

bool ReplacingFile::open()
{
    const QFileInfo place(m_path);
    // Hidden beside the place, in the same folder, so that the rename stays on one file system.
    const QString stem = place.absolutePath() + QStringLiteral("/.") + place.fileName();
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_file.setFileName(stem + QStringLiteral(".%1.tmp").arg(
                                      QRandomGenerator::global()->generate(), 8, 16, QChar(u'0')));
        // NewOnly: never an existing file, nor a link someone laid in the way.
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
        if (m_file.error() != QFileDevice::OpenError || !QFileInfo::exists(m_file.fileName()))
            break;
    }
    m_error = m_file.errorString();
    m_file.setFileName(QString());
    return false;
}

bool ReplacingFile::commit()
{
    const QFileInfo old(m_path);
    if (!old.isSymLink() && old.isFile() && !m_file.setPermissions(old.permissions())) {
        m_error = m_file.errorString();
        return false;
    }
    m_error = replaceFile(m_file, m_path);
    if (m_error.isEmpty())
        return true;
    m_file.remove();
    return false;
}

} // namespace tolvan
