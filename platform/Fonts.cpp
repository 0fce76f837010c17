#include "Fonts.h"

#include <QApplication>
#include <QFont>

namespace tolvan {

void installFonts(QApplication &app)
{
    // Liberation Sans has Arial's metrics; it is also closer to MS Sans Serif's
    // narrow letters than the usual default face, so captions fit their buttons.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                                QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setStyleHint(QFont::SansSerif);
    font.setStretch(92);
    app.setFont(font);
}

} // namespace tolvan
