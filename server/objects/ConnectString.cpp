#include "ConnectString.h"

#include <QRegularExpression>

namespace tolvan {

std::optional<ConnectTarget> parseConnectString(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^cn_iptcp:([^\[\]\s]*)\[([0-9]{1,5})\]:([A-Za-z][A-Za-z0-9_]*)\z)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int port = match.captured(2).toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return ConnectTarget{match.captured(1), port, match.captured(3)};
}

bool isValidNamespace(const QString &name)
{
    static const QRegularExpression form(QStringLiteral(R"(^[A-Za-z][A-Za-z0-9_]*\z)"));
    return form.match(name).hasMatch();
}

} // namespace tolvan
