// Windows has the faces the windows are designed in: "MS Sans Serif" at its
// own width. A desktop without it (wine, say) gets its successors.

#include "Fonts.h"

#include <QApplication>
#include <QFont>

namespace tolvan {

void installFonts(QApplication &app)
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                                QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setStyleHint(QFont::SansSerif);
    app.setFont(font);
}

} // namespace tolvan
