#pragma once

#include "FactoryBackend.h"

namespace tolvan {

// The object server's ActiveX factory, which its client software registers
// on a Windows desktop. Elsewhere there is none.
namespace objectserver {

inline constexpr char16_t ProgId[] = u"CacheObject.Factory";

// Whether a class of that ProgID is registered here.
bool isInstalled(const QString &progId);
// Its factory, created anew; a class that is missing or cannot be created
// raises ServerError.
std::unique_ptr<FactoryBackend> createFactory(const QString &progIdOrClsid);

} // namespace objectserver
} // namespace tolvan
