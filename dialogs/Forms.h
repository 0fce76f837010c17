#pragma once

class QWidget;

namespace tolvan {

class AboutBox;
class LoginDialog;
class ServerDialog;

// The windows of the program. The login and server settings dialogs are
// created on first use and then only hidden until the program ends; the about
// box is created on opening and gone when closed.
namespace forms {

LoginDialog &login();
ServerDialog &server();
// The open about box, or nullptr.
AboutBox *about();
// Shows the about box without owner, or brings the open one to the front.
void showAbout();

// The main window registers itself when it is loaded.
void setMainWindow(QWidget *window);
QWidget *mainWindow();

// Unloads every window, the most recently loaded first: the about box, the main
// window (its unload handler runs), then both dialogs. A call made while the
// windows are being unloaded does nothing.
void unloadAll();

} // namespace forms
} // namespace tolvan
