#include "Pictures.h"

namespace tolvan::pictures {

QIcon windowIcon(const QString &name)
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/pictures/%116.png").arg(name), QSize(16, 16));
    icon.addFile(QStringLiteral(":/pictures/%132.png").arg(name), QSize(32, 32));
    return icon;
}

} // namespace tolvan::pictures
