#include "ServerDialog.h"

#include "Pictures.h"
#include "ui_FMServer.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

namespace tolvan {

ServerDialog::ServerDialog(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::FMServer>()), m_lock(new QTimer(this))
{
    m_ui->setupUi(this);
    setWindowIcon(pictures::windowIcon(QStringLiteral("computer")));
    m_ui->Label3->adjustSize(); // sized to fit its text
    // Locked fields show their text greyed on the button face.
    for (QLineEdit *field : findChildren<QLineEdit *>()) {
        QPalette colours = field->palette();
        colours.setColor(QPalette::Disabled, QPalette::Base, colours.color(QPalette::Button));
        field->setPalette(colours);
    }
    // Shown, the dialog puts the focus on "Ändern", not on its default button.
    m_ui->BUEdit->setFocus();
    m_lock->setObjectName(QStringLiteral("Lock"));
    m_lock->setInterval(60000);
}

ServerDialog::~ServerDialog() = default;

// It first appears centred on the screen, also when a dialog owns it.
void ServerDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    if (const QScreen *display = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(display->availableGeometry().center());
        move(frame.topLeft());
    }
}

void ServerDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void ServerDialog::closeEvent(QCloseEvent *event)
{
    event->ignore();
    hide();
}

} // namespace tolvan
