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

void unloadAll()
{
    if (aboutBox)
        aboutBox->close(); // runs its unload as the close box would
    delete aboutBox;       // at once, not later
    delete serverDialog;
    delete loginDialog;
}

} // namespace tolvan::forms
