#pragma once

#include <QDialog>
#include <memory>

class QTimer;

namespace Ui {
class FMServer;
}

namespace tolvan {

// The server settings dialog: the connection data, locked until "Ändern"
// unlocks them, and the idle timer. Esc does nothing (no cancel button); the
// controls keep their places when the dialog is resized.
class ServerDialog : public QDialog {
    Q_OBJECT
public:
    explicit ServerDialog(QWidget *parent = nullptr);
    ~ServerDialog() override;

    // The idle timer: one minute, stopped until the server work starts it.
    QTimer &lockTimer() { return *m_lock; }

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // "Ändern": unlocks the fields after a confirmation, or locks them and
    // stores them when the user wants to. The mode is the button's own value.
    void BUEdit_Click();
    void BUZurueck_Click(); // "Zurück"
    void Lock_Timer();
    void setFieldsLocked(bool locked);

    std::unique_ptr<Ui::FMServer> m_ui;
    QTimer *m_lock;
    bool m_placed = false;
};

} // namespace tolvan
