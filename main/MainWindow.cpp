#include "MainWindow.h"

#include "Connecting.h"
#include "ConnectionSettings.h"
#include "DesktopFolder.h"
#include "ExportFile.h"
#include "FileSaveDialog.h"
#include "Fonts.h"
#include "Forms.h"
#include "Guard.h"
#include "Login.h"
#include "LostFocusWatch.h"
#include "LoginDialog.h"
#include "MessageBoxes.h"
#include "Pictures.h"
#include "ReportList.h"
#include "Session.h"
#include "SettingsStore.h"
#include "StockQuery.h"
#include "TextUtils.h"
#include "Twips.h"
#include "WindowPlacement.h"
#include "ui_FMStart.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace tolvan {
namespace {

const QString Title = QStringLiteral("TOLVAN Dravonik-Export");

// The last supplier number found and the last storage location typed; an
// administrator may preset both for every user.
const SettingKey SupplierNumber{QStringLiteral("Dravonik"), QStringLiteral("Export"),
                                QStringLiteral("Liefnr"), true};
const SettingKey StorageLocation{QStringLiteral("Dravonik"), QStringLiteral("Export"),
                                 QStringLiteral("Lagerort"), true};

} // namespace

MainWindow::MainWindow()
    : m_ui(std::make_unique<Ui::FMStart>()), m_ownSaveDialog(new FileSaveDialog(this)),
      m_saveDialog(m_ownSaveDialog)
{
    m_ui->setupUi(this);
    forms::setMainWindow(this);
    setWindowIcon(pictures::windowIcon(QStringLiteral("hammer")));
    keepArialWidths({m_ui->Label2, m_ui->Label3, m_ui->Label4});
    // The layout's size is the client area's, below the menu bar.
    resize(569, 439 + menuBar()->sizeHint().height());
    // As in a dialog, Enter on a focused button presses that button.
    m_ui->BUAkt->setAutoDefault(true);
    m_ui->BUDatei->setAutoDefault(true);
    m_ui->liste->installEventFilter(this);
    m_ui->BUAkt->installEventFilter(this);
    m_ui->BUDatei->installEventFilter(this);
    new LostFocusWatch(m_ui->TxLnr, [this](Qt::FocusReason reason) { supplierFieldLeft(reason); });
    new LostFocusWatch(m_ui->TxLagerort, [this](Qt::FocusReason) {
        guard::run([this] { TxLagerort_LostFocus(); });
    });
    m_ui->TxLnr->setFocus(); // the first control in tab order that can take the focus

    connect(m_ui->TxLnr, &QLineEdit::textChanged, this, guard::wrap([this] { TxLnr_Change(); }));
    connect(m_ui->TxLagerort, &QLineEdit::textChanged, this,
            guard::wrap([this] { TxLagerort_Change(); }));
    connect(m_ui->BUAkt, &QPushButton::clicked, this, guard::wrap([this] { BUAkt_Click(); }));
    connect(m_ui->BUDatei, &QPushButton::clicked, this, guard::wrap([this] { BUDatei_Click(); }));
    connect(m_ui->TxLnr, &QLineEdit::returnPressed, this,
            guard::wrap([this] { pressDefaultButton(); }));
    connect(m_ui->TxLagerort, &QLineEdit::returnPressed, this,
            guard::wrap([this] { pressDefaultButton(); }));
    connect(m_ui->mLogin, &QAction::triggered, this, guard::wrap([this] { mLogin_Click(); }));
    connect(m_ui->Beenden, &QAction::triggered, this, guard::wrap([this] { Beenden_Click(); }));
    connect(m_ui->HilfeUeber, &QAction::triggered, this,
            guard::wrap([this] { HilfeUeber_Click(); }));
}

MainWindow::~MainWindow() = default;

void MainWindow::Form_Load()
{
    Session &state = session();
    for (;;) {
        state.CommandLine = programCommandLine();
        state.KeepTypedPassword = false;
        if (CacheLogin())
            break;
        // Login data from the command line would fail the same way every time:
        // the failure has been reported once, and the program ends.
        if (commandLineHasLogin(state.CommandLine))
            UnloadAllForms(1);
    }
    setWindowTitle(titleFor(state.Firm, state.Branch, state.UserIdent));
    RestoreWindowPos(*this, QStringLiteral("FMDravonik"));
    m_ui->TxLnr->setText(GetSetting(SupplierNumber));
    m_ui->TxLagerort->setText(GetSetting(StorageLocation));
    TxLnr_LostFocus();
}

void MainWindow::TxLnr_Change()
{
    m_ui->BUAkt->setEnabled(!m_ui->TxLnr->text().isEmpty());
}

void MainWindow::TxLagerort_Change()
{
    m_ui->BUDatei->setEnabled(!m_ui->TxLagerort->text().isEmpty());
}

void MainWindow::TxLnr_LostFocus()
{
    const QString number = m_ui->TxLnr->text();
    if (number.isEmpty()) {
        m_ui->TxLname->clear();
        return;
    }
    const QString name = supplierName(number);
    if (name.isEmpty()) {
        showMessage(Title, QStringLiteral("Lieferant nicht gespeichert"), MessageIcon::Information,
                    MessageButtons::Ok);
        m_ui->TxLnr->setFocus(); // also before the window is shown: there once it is
        return;
    }
    SaveSetting(SupplierNumber, number);
    m_ui->TxLname->setText(name);
}

void MainWindow::TxLagerort_LostFocus()
{
    SaveSetting(StorageLocation, m_ui->TxLagerort->text());
}

void MainWindow::BUAkt_Click()
{
    ReportList &list = *m_ui->liste;
    fetchStockList(
        m_ui->TxLnr->text(), [&list] { list.clear(); },
        [&list](const StockRow &row) {
            if (row.isUtf8)
                list.addUtf8Row(row.utf8);
            else
                list.addRow(row.text.toString());
        });
}

void MainWindow::BUDatei_Click()
{
    QString path;
    try {
        path = m_saveDialog->showSave(
            {desktopFolder(), QStringLiteral(".csv"), QStringLiteral("*.csv"), true});
    } catch (const RuntimeError &) {
        return; // cancelled, or the dialog could not be shown: nothing is written
    }
    const ReportList &list = *m_ui->liste;
    try {
        saveExportFile(path, m_ui->TxLagerort->text(), {list.rowCount(), [&list](qsizetype row) {
                                                            return list.rowText(int(row));
                                                        }});
    } catch (const ExportFailed &failed) {
        showMessage(Title, failed.description(), MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

QString MainWindow::titleFor(const QString &firm, const QString &branch, const QString &userIdent)
{
    return QStringLiteral("TOLVAN Dravonik-Export              Firma: ") + firm +
           QStringLiteral("     Filiale: ") + branch + QStringLiteral("     Benutzer:  ") +
           GetField(userIdent, QStringLiteral("|"), 2);
}

int MainWindow::listHeightForWindow(int windowTwips, int listTwips)
{
    if (windowTwips < 2000)
        return listTwips;
    return std::max(0, windowTwips - 2300);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    guard::run([this] { Form_Resize(); });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    guard::run([this] { Form_Unload(); });
}

// A click on a button of the window that takes the focus from the supplier
// field: the lookup runs first, as on every loss of focus, and the click
// runs after it whatever the lookup showed, also after a message or the
// retries of a reconnect, whose own loop takes the button's release. So the
// list never keeps an older supplier's rows behind a click on "Aktualisieren".
void MainWindow::supplierFieldLeft(Qt::FocusReason reason)
{
    QWidget *now = QApplication::focusWidget();
    m_clickAfterLookup = nullptr;
    if (reason == Qt::MouseFocusReason && QGuiApplication::mouseButtons() == Qt::LeftButton &&
        (now == m_ui->BUAkt || now == m_ui->BUDatei))
        m_clickAfterLookup = static_cast<QPushButton *>(now);
    guard::run([this] { TxLnr_LostFocus(); });
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_clickAfterLookup && event->type() == QEvent::MouseButtonPress) {
        QPushButton *button = m_clickAfterLookup;
        m_clickAfterLookup = nullptr;
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            return false; // only the left button clicks
        if (button->isEnabled() && button->isVisible())
            button->click();
        return true; // pressed and released in one: the coming release finds it up
    }
    if (watched == m_ui->liste && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            guard::run([this] { pressDefaultButton(); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    // The first resize comes before the window manager has framed the window:
    // once the outer height is known, the rule is applied to it.
    if (frameGeometry().height() != m_resizedForHeight)
        guard::run([this] { Form_Resize(); });
}

void MainWindow::Form_Resize()
{
    m_resizedForHeight = frameGeometry().height();
    const int windowTwips = pixelsToTwips(frameGeometry().height());
    const int listTwips = pixelsToTwips(m_ui->liste->height());
    m_ui->liste->resize(m_ui->liste->width(),
                        twipsToPixels(listHeightForWindow(windowTwips, listTwips)));
}

void MainWindow::Form_Unload()
{
    SaveWindowPos(*this, QStringLiteral("FMDravonik"));
    CloseConnection();
    UnloadAllForms();
}

void MainWindow::mLogin_Click()
{
    LoginDialog &dialog = forms::login();
    if (dialog.parentWidget() != this)
        dialog.setParent(this, dialog.windowFlags());
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

void MainWindow::Beenden_Click()
{
    close();
}

void MainWindow::HilfeUeber_Click()
{
    forms::showAbout();
}

void MainWindow::pressDefaultButton()
{
    m_ui->BUAkt->click(); // does nothing while the button is disabled
}

} // namespace tolvan
