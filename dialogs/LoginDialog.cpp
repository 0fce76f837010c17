#include "LoginDialog.h"

#include "Pictures.h"
#include "ui_FMPass.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace tolvan {

LoginDialog::LoginDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::FMPass>())
{
    m_ui->setupUi(this);
    setFixedSize(size());
    setWindowIcon(pictures::windowIcon(QStringLiteral("padlock")));
    m_ui->BPASSWORT->setFocus(); // the lowest tab index
    for (QLabel *label : {m_ui->Label3, m_ui->Label5})
        label->adjustSize(); // sized to fit its text
}

LoginDialog::~LoginDialog() = default;

void LoginDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_ui->BUAusst->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void LoginDialog::closeEvent(QCloseEvent *event)
{
    event->ignore();
    hide();
}

} // namespace tolvan
