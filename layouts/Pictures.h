#pragma once

#include <QIcon>

namespace tolvan::pictures {

// A window icon in its two drawn sizes, 16 and 32 pixels: "hammer", "computer", "padlock".
QIcon windowIcon(const QString &name);

} // namespace tolvan::pictures
