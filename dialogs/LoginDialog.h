#pragma once

#include <QDialog>
#include <QRect>
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

    // Stores firm, branch, name, password (unless a server error of the last
    // login keeps the typed one), server, port and namespace.
    void Sichern();
    // "Anmelden": stores, logs in when the main window is up, hides the dialog.
    void BUSpeich_Click();
    // "Abbruch": nobody is logged in any more; every window is unloaded and the
    // program ends (with status 0 when the user cancels).
    [[noreturn]] void BUAusst_Click(int status = 0);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Activate();
    void Form_GotFocus();
    void BUSER_LostFocus();
    void BUServer_Click();

    bool isCentred() const;
    void centreOnScreen();

    std::unique_ptr<Ui::FMPass> m_ui;
    int m_centringsLeft = 0;
    int m_framesLeft = 0;
    QRect m_frame; // the frame's margins when last seen: offset and extra size
};

} // namespace tolvan
