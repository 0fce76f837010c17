#include "Forms.h"

#include "AboutBox.h"
#include "LoginDialog.h"
#include "ServerDialog.h"

#include <QPointer>

namespace tolvan::forms {
namespace {

QPointer<LoginDialog> loginDialog;
QPointer<ServerDialog> serverDialog;
QPointer<AboutBox> aboutBox;
QPointer<QWidget> mainForm;
bool unloading = false;

} // namespace

LoginDialog &login()
{
    if (!loginDialog)
        loginDialog = new LoginDialog;
    return *loginDialog;
}

ServerDialog &server()
{
    if (!serverDialog)
        serverDialog = new ServerDialog;
    return *serverDialog;
}

AboutBox *about()
{
    return aboutBox;
}

void showAbout()
{
    if (!aboutBox)
        aboutBox = new AboutBox;
    aboutBox->show();
    aboutBox->raise();
    aboutBox->activateWindow();
}

void setMainWindow(QWidget *window)
{
    mainForm = window;
}

QWidget *mainWindow()
{
    return mainForm;
}

void unloadAll()
{
    if (unloading)
        return;
    unloading = true;
    if (aboutBox)
        aboutBox->close(); // runs its unload as the close box would
    if (mainForm)
        mainForm->close();
    // Later, not at once: one of them may be running the handler that got here.
    for (QDialog *dialog : std::initializer_list<QDialog *>{serverDialog, loginDialog}) {
        if (dialog) {
            dialog->hide();
            dialog->deleteLater();
        }
    }
    unloading = false;
}

} // namespace tolvan::forms
