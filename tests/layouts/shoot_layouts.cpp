// Writes a picture of each window, as the program shows it, to the folder given
// (docs/ in the README). Run under a real display or offscreen:
//   shoot_layouts docs

#include "AboutBox.h"
#include "Application.h"
#include "Forms.h"
#include "LoginDialog.h"
#include "MainWindow.h"
#include "ServerDialog.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>

using namespace tolvan;

namespace {

bool shoot(QWidget &window, const QString &file)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    QTest::qWait(50);
    return window.grab().save(file);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    prepareApplication(app);
    const QDir folder(app.arguments().value(1, QStringLiteral(".")));
    MainWindow main;
    bool ok = shoot(main, folder.filePath(QStringLiteral("FMStart.png")));
    ok = shoot(forms::login(), folder.filePath(QStringLiteral("FMPass.png"))) && ok;
    ok = shoot(forms::server(), folder.filePath(QStringLiteral("FMServer.png"))) && ok;
    forms::showAbout();
    ok = shoot(*forms::about(), folder.filePath(QStringLiteral("frmAbout.png"))) && ok;
    forms::unloadAll();
    return ok ? 0 : 1;
}
