#pragma once

namespace tolvan {

class AboutBox;
class LoginDialog;
class ServerDialog;

// The windows besides the main window. The login and server settings dialogs
// are created on first use and then only hidden until the program ends; the
// about box is created on opening and gone when closed.
namespace forms {

LoginDialog &login();
ServerDialog &server();
// The open about box, or nullptr.
AboutBox *about();
// Shows the about box without owner, or brings the open one to the front.
void showAbout();
// Unloads the about box and both dialogs.
void unloadAll();

} // namespace forms
} // namespace tolvan
