#include "LoginDialog.h"

#include "Connecting.h"
#include "ConnectionSettings.h"
#include "DialogForms.h"
#include "FixedDialogFrame.h"
#include "Forms.h"
#include "Guard.h"
#include "Login.h"
#include "LostFocusWatch.h"
#include "MousePointer.h"
#include "Pictures.h"
#include "ServerDialog.h"
#include "Session.h"
#include "SettingsStore.h"
#include "TextUtils.h"
#include "ui_FMPass.h"

#include <algorithm>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>

namespace tolvan {
namespace {

// The main window's title after a login from the menu: everything up to the
// last ":" before the first "[", one blank, and the user's ident.
QString titleAfterLogin(const QString &title, const QString &userIdent)
{
    QString kept = GetField(title, QStringLiteral("["), 1);
    kept.truncate(kept.lastIndexOf(u':') + 1);
    return kept + u' ' + userIdent;
}

} // namespace

LoginDialog::LoginDialog(QWidget *parent)
    : QDialog(parent, FixedDialogFlags), m_ui(std::make_unique<Ui::FMPass>())
{
    m_ui->setupUi(this);
    keepFixedFrame(*this);
    setWindowIcon(pictures::windowIcon(QStringLiteral("padlock")));
    m_ui->BPASSWORT->setFocus(); // the lowest tab index
    for (QLabel *label : {m_ui->Label3, m_ui->Label5})
        label->adjustSize(); // sized to fit its text
    m_ui->BUSER->installEventFilter(this);
    m_ui->BPASSWORT->installEventFilter(this);
    new LostFocusWatch(m_ui->BUSER, [this](Qt::FocusReason) { guard::run([this] { BUSER_LostFocus(); }); });

    connect(m_ui->BUSpeich, &QPushButton::clicked, this, guard::wrap([this] { BUSpeich_Click(); }));
    connect(m_ui->BUAusst, &QPushButton::clicked, this, guard::wrap([this] { BUAusst_Click(); }));
    connect(m_ui->BUServer, &QPushButton::clicked, this, guard::wrap([this] { BUServer_Click(); }));
}

LoginDialog::~LoginDialog() = default;

void LoginDialog::Sichern()
{
    QDialog &server = forms::server();
    SaveSetting(loginSettings::Firm, lineEdit(server, QStringLiteral("BFIRMA")).text());
    SaveSetting(loginSettings::Branch, lineEdit(server, QStringLiteral("BFIL")).text());
    SaveSetting(loginSettings::Name, m_ui->BUSER->text());
    if (!session().KeepTypedPassword)
        SaveSetting(loginSettings::Password, XorText(m_ui->BPASSWORT->text()));
    SaveSetting(loginSettings::Server, lineEdit(server, QStringLiteral("BSERVERIP")).text());
    SaveSetting(loginSettings::Port, lineEdit(server, QStringLiteral("BPORT")).text());
    SaveSetting(loginSettings::Namespace, lineEdit(server, QStringLiteral("BNAMESPACE")).text());
}

void LoginDialog::BUSpeich_Click()
{
    setMousePointer(MousePointer::Hourglass);
    // Enter in the name field presses "Anmelden" without leaving the field:
    // the name is stored in upper case all the same.
    if (m_ui->BUSER->hasFocus())
        BUSER_LostFocus();
    Sichern();
    QWidget *main = forms::mainWindow();
    if (main && main->isVisible()) {
        CacheLogin();
        main->setWindowTitle(titleAfterLogin(main->windowTitle(), session().UserIdent));
    }
    processPendingEvents();
    hide();
    setMousePointer(MousePointer::Default);
}

void LoginDialog::BUAusst_Click(int status)
{
    session().UserIdent.clear();
    UnloadAllForms(status);
}

void LoginDialog::BUServer_Click()
{
    ServerDialog &server = forms::server();
    if (server.parentWidget() != this)
        server.setParent(this, server.windowFlags());
    showModally(server);
}

void LoginDialog::Form_Activate()
{
    m_ui->BPASSWORT->setFocus(Qt::ActiveWindowFocusReason);
}

void LoginDialog::Form_GotFocus()
{
    m_ui->BPASSWORT->setFocus(Qt::OtherFocusReason);
}

void LoginDialog::BUSER_LostFocus()
{
    m_ui->BUSER->setText(upperCaseFormat(m_ui->BUSER->text()));
}

bool LoginDialog::event(QEvent *event)
{
    const auto type = event->type();
    if (type == QEvent::DeferredDelete)
        return QDialog::event(event); // the dialog is gone afterwards
    const bool handled = QDialog::event(event);
    // The frame is known by a move, a resize or at the latest the activation;
    // a window manager that places the dialog elsewhere is not fought for long.
    // A frame that changes after the first one (a title bar after the border,
    // under load) is centred anew, a few times at most.
    if ((type == QEvent::Move || type == QEvent::Resize || type == QEvent::WindowActivate) &&
        frameGeometry() != geometry() && (m_centringsLeft > 0 || m_framesLeft > 0)) {
        const QRect frame(geometry().topLeft() - frameGeometry().topLeft(),
                          frameGeometry().size() - geometry().size());
        if (frame != m_frame && m_framesLeft > 0) {
            m_frame = frame;
            --m_framesLeft;
            m_centringsLeft = std::max(m_centringsLeft, 1);
        }
        if (m_centringsLeft > 0 && !isCentred()) {
            --m_centringsLeft;
            centreOnScreen();
        }
    }
    if (type == QEvent::WindowActivate)
        Form_Activate(); // cannot fail: nothing to report
    return handled;
}

bool LoginDialog::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (field && event->type() == QEvent::FocusIn)
        SelectAll(*field); // typing replaces the whole old content
    return QDialog::eventFilter(watched, event);
}

// Without owner (at start-up) Qt centres a dialog by a guessed frame, 40 px
// too high while no other window shows the real one: centre it on the screen
// here, and again when the window manager has given it its frame. Qt
// keeps a position set by code for later showings; the dialog is centred
// over its owner then, so the position counts as not set.
void LoginDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (parentWidget())
        return;
    centreOnScreen();
    m_centringsLeft = 3;
    m_framesLeft = 3;
    m_frame = QRect();
}

bool LoginDialog::isCentred() const
{
    const QScreen *display = screen();
    return !display ||
           (frameGeometry().center() - display->availableGeometry().center()).manhattanLength() <=
               1;
}

void LoginDialog::centreOnScreen()
{
    if (const QScreen *display = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(display->availableGeometry().center());
        move(frame.topLeft());
        setAttribute(Qt::WA_Moved, false);
    }
}

void LoginDialog::focusInEvent(QFocusEvent *event)
{
    QDialog::focusInEvent(event);
    Form_GotFocus();
}

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
