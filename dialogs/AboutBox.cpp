#include "AboutBox.h"

#include "FixedDialogFrame.h"
#include "Fonts.h"
#include "Guard.h"
#include "Pictures.h"
#include "SystemInfo.h"
#include "WindowPlacement.h"
#include "ui_frmAbout.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace tolvan {

AboutBox::AboutBox()
    : QDialog(nullptr, FixedDialogFlags), m_ui(std::make_unique<Ui::frmAbout>())
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(pictures::windowIcon(QStringLiteral("hammer")));
    keepArialWidths({m_ui->Label2, m_ui->Label3, m_ui->Label4});
    keepFixedFrame(*this);
    // The client area's top-left corner at 2340, 1935 twips on the screen.
    setGeometry(156, 129, width(), height());
    connect(m_ui->cmdOK, &QPushButton::clicked, this, guard::wrap([this] { cmdOK_Click(); }));
    connect(m_ui->cmdSysInfo, &QPushButton::clicked, this,
            guard::wrap([this] { cmdSysInfo_Click(); }));
    guard::run([this] { Form_Load(); });
}

void AboutBox::Form_Load()
{
    RestoreWindowPos(*this, QStringLiteral("Info"));
}

void AboutBox::Form_Unload()
{
    SaveWindowPos(*this, QStringLiteral("Info"));
}

void AboutBox::closeEvent(QCloseEvent *event)
{
    guard::run([this] { Form_Unload(); }); // while it is still shown
    QDialog::closeEvent(event);
}

void AboutBox::cmdSysInfo_Click()
{
    StartSysInfo();
}

AboutBox::~AboutBox() = default;

void AboutBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_ui->cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void AboutBox::cmdOK_Click()
{
    close();
}

} // namespace tolvan
