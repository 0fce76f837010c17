#include "Application.h"

#include "Fonts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tolvan {

void prepareApplication(QApplication &app)
{
    QApplication::setApplicationName(QStringLiteral("TOLVAN Dravonik-Export"));
    QApplication::setOrganizationName(QStringLiteral("TOLVAN"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    installFonts(app);
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

} // namespace tolvan
