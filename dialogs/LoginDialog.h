#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class FMPass;
}

namespace tolvan {

// The login dialog: personnel code and password. Enter presses "Anmelden",
// Esc presses "Abbruch"; the close box only hides it, as the dialog stays
// loaded until the program ends.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit LoginDialog(QWidget *parent = nullptr);
    ~LoginDialog() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::FMPass> m_ui;
};

} // namespace tolvan
