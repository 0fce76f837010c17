#include "Pictures.h"

namespace tolvan::pictures {

QIcon windowIcon(const QString &name)
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/pictures/") + name + QStringLiteral("16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/pictures/") + name + QStringLiteral("32.png"), QSize(32, 32));
    return icon;
}

} // namespace tolvan::pictures
