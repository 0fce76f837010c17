#pragma once

#include <QString>
#include <optional>

namespace tolvan {

struct ConnectTarget {
    QString address; // empty: the embedded database
    int port = 0;
    QString nameSpace;
};

// Reads "cn_iptcp:ADDRESS[PORT]:NAMESPACE"; nothing when the text has another
// form (also a trailing line feed).
std::optional<ConnectTarget> parseConnectString(const QString &text);
// A namespace as the connection string takes it: a letter, then letters, digits, "_".
bool isValidNamespace(const QString &name);

} // namespace tolvan
