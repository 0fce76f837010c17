#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmAbout;
}

namespace tolvan {

// The about box. "OK", Enter on "OK", Esc and the close box unload it; the next
// opening creates a new one. It reopens where and as large as it was closed.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox();
    ~AboutBox() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void Form_Unload();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    std::unique_ptr<Ui::frmAbout> m_ui;
};

} // namespace tolvan
