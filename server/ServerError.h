#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace tolvan {

// The one error every server call raises: a 32-bit number and a description
// in German, as the user sees it in the error report.
class ServerError : public std::exception {
public:
    enum Number : qint32 {
        NotConnected = 1001,
        UnknownClass = 1002,
        UnknownProperty = 1003,
        UnknownMethod = 1004,
        UnknownQuery = 1005,
        ObjectNotFound = 1006,
        ObjectClosed = 1007,
        InvalidArgument = 1008,
        DatabaseFailure = 1009,
        MError = 1010,
        InvalidOperation = 1011,
    };

    ServerError(qint32 number, QString description);

    qint32 number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    qint32 m_number;
    QString m_description;
    QByteArray m_what;
};

} // namespace tolvan
