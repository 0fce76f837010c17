// Linux has neither "MS Sans Serif" nor "Arial": metric-compatible faces stand in.

#include "Fonts.h"

#include <QApplication>
#include <QFont>

namespace tolvan {

void installFonts(QApplication &app)
{
    // Liberation Sans has Arial's metrics. MS Sans Serif's letters are narrower:
    // at 92 % of its width the captions and labels fit their designed sizes.
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
