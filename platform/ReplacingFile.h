#pragma once

#include <QFile>
#include <QString>

namespace tolvan {

// A file written beside its final place and put there in one step by
// commit(): an old file of that name stays whole until the new one is, and a
// symbolic link at the place is replaced itself, never written through. A
// regular file that is replaced hands its permissions on; a new file gets the
// usual ones (the umask applies). The half-written file of a write that is
// given up is removed.
class ReplacingFile {
public:
    explicit ReplacingFile(QString path);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile &) = delete;
    ReplacingFile &operator=(const ReplacingFile &) = delete;

    // Creates the new file beside the path; false with errorString().
    bool open();
    QIODevice &device() { return m_file; }
    // Puts the whole file in place; false with errorString(), the old file untouched.
    bool commit();
    QString errorString() const { return m_error; }

private:
    QString m_path;
    QFile m_file;
    QString m_error;
};

} // namespace tolvan
