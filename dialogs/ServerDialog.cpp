#include "ServerDialog.h"

#include "Connecting.h"
#include "ConnectionSettings.h"
#include "Forms.h"
#include "Guard.h"
#include "LoginDialog.h"
#include "MessageBoxes.h"
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
    m_lock->setObjectName(QStringLiteral("Lock"));
    m_lock->setInterval(60000);

    connect(m_ui->BUEdit, &QPushButton::clicked, this, guard::wrap([this] { BUEdit_Click(); }));
    // The layout's name for "Zurück" carries the "ü"; the code's is plain.
    auto *back = findChild<QPushButton *>(QStringLiteral("BUZur\u00FCck"));
    connect(back, &QPushButton::clicked, this, guard::wrap([this] { BUZurueck_Click(); }));
    connect(m_lock, &QTimer::timeout, this, guard::wrap([this] { Lock_Timer(); }));
}

ServerDialog::~ServerDialog() = default;

// Every showing puts the focus on "Ändern", not where it was left (a Space in
// the port field would replace the port). It first appears centred on the
// screen, also when a dialog owns it.
void ServerDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_ui->BUEdit->setFocus(Qt::OtherFocusReason);
    if (m_placed)
        return;
    m_placed = true;
    if (const QScreen *display = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(display->availableGeometry().center());
        move(frame.topLeft());
    }
}

void ServerDialog::BUEdit_Click()
{
    const QString title = QStringLiteral("Anmeldung an Caché");
    if (m_ui->BUEdit->value()) { // the click turned it on: the fields were locked
        if (showMessage(title, QStringLiteral("Änderungen erlauben?"), MessageIcon::None,
                        MessageButtons::YesNo) == MessageAnswer::Yes)
            setFieldsLocked(false);
        else
            m_ui->BUEdit->setValue(false);
        return;
    }
    setFieldsLocked(true);
    if (showMessage(title, QStringLiteral("Änderungen sichern?"), MessageIcon::None,
                    MessageButtons::YesNo) == MessageAnswer::Yes) {
        CloseConnection();
        forms::login().Sichern();
        LoadConnectionSettings();
    }
}

void ServerDialog::BUZurueck_Click()
{
    hide();
}

void ServerDialog::Lock_Timer()
{
    CloseConnection();
}

void ServerDialog::setFieldsLocked(bool locked)
{
    for (QLineEdit *field :
         {m_ui->BPORT, m_ui->BSERVERIP, m_ui->BFIRMA, m_ui->BFIL, m_ui->BNAMESPACE})
        field->setEnabled(!locked);
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
