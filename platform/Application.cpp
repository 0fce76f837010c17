#include "Application.h"

#include "AccessibleControls.h"
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
    // The menu entry's name: desktops match the window to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("de.tolvan.DravonikExport"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    installFonts(app);
    installAccessibleControls();
    // Qt's own folder on Linux; on Windows the installed program carries
    // them in "translations" beside itself.
    const QStringList folders{QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                              QApplication::applicationDirPath() + QStringLiteral("/translations")};
    auto *translator = new QTranslator(&app);
    for (const QString &folder : folders) {
        if (translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"),
                             QStringLiteral("_"), folder)) {
            QApplication::installTranslator(translator);
            break;
        }
    }
}

} // namespace tolvan
