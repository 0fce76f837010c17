#pragma once

#include "Installed.h"

#include <QString>

namespace tolvan {

// A dialog as the database access layer sees it: named text fields, shown
// modally or hidden. No widget header is needed to use it.
class Form {
public:
    virtual ~Form() = default;
    virtual QString text(const QString &field) = 0;
    virtual void setText(const QString &field, const QString &text) = 0;
    // Selects the field's whole text; the focus stays where it is.
    virtual void selectAll(const QString &field) = 0;
    // Returns once the dialog is hidden again and the handler that hid it has finished.
    virtual void showModal() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() = 0;
};

// What the layer needs of the windows: the login dialog, the server settings
// dialog with the idle timer, and the way out of the program. The program
// installs the dialogs; tests install fakes.
class LoginForms : public Installed<LoginForms> {
public:
    virtual ~LoginForms() = default;
    virtual Form &login() = 0;
    virtual Form &server() = 0;
    // The idle timer: once started, it closes the connection when it fires.
    virtual void startIdleTimer() = 0;
    virtual void stopIdleTimer() = 0;
    // The login dialog's "Abbruch": ends the program with the status.
    [[noreturn]] virtual void quit(int status) = 0;
    // Unloads every window, the most recently loaded first.
    virtual void unloadAll() = 0;

    static LoginForms &current();
};

} // namespace tolvan
