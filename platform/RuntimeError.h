#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace tolvan {

// An error with a 32-bit number and a German description: what a server call,
// a file write or any other operation raises when it cannot go on. Whatever no
// handler catches ends the program through the guard (Guard.h).
class RuntimeError : public std::exception {
public:
    RuntimeError(qint32 number, QString description);

    qint32 number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    qint32 m_number;
    QString m_description;
    QByteArray m_what;
};

} // namespace tolvan
