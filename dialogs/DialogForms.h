#pragma once

#include "LoginForms.h"

#include <memory>

class QDialog;
class QLineEdit;
class QWidget;

namespace tolvan {

// The named text field of a dialog; a missing one is a programming error.
QLineEdit &lineEdit(QWidget &dialog, const QString &name);

// Selects the field's whole text without moving the focus.
void SelectAll(QLineEdit &field);

// Shows the dialog modally and returns once it is hidden again. Also when its
// own modal showing further down the stack already ended by a hide (the user
// closed it while a connection attempt ran): it is shown again and waited for.
void showModally(QDialog &dialog);

// The login and server settings dialogs and the idle timer, as the database
// access layer reaches them.
class DialogForms : public LoginForms {
public:
    DialogForms();
    ~DialogForms() override;

    Form &login() override;
    Form &server() override;
    void startIdleTimer() override;
    void stopIdleTimer() override;
    [[noreturn]] void quit(int status) override;
    void unloadAll() override;

private:
    std::unique_ptr<Form> m_login;
    std::unique_ptr<Form> m_server;
};

} // namespace tolvan
