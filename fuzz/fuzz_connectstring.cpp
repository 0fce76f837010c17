// Connection strings and namespaces: parsed or refused, and what is parsed is
// a well-formed target.

#include "ConnectString.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto target = tolvan::parseConnectString(text)) {
        if (target->port < 1 || target->port > 65535 ||
            !tolvan::isValidNamespace(target->nameSpace) || target->address.contains(u'[') ||
            target->address.contains(u'\n'))
            std::abort();
    }
    tolvan::isValidNamespace(text);
    return 0;
}
