#pragma once

#include <QString>
#include <optional>

namespace tolvan {

struct ConnectTarget {
    QString address; // empty: the embedded database
    int port = 0;
    QString nameSpace;
};

// Reads "cn_iptcp:ADDRESS[PORT]:NAMESPACE"; nothing when the text has another form.
std::optional<ConnectTarget> parseConnectString(const QString &text);

} // namespace tolvan
