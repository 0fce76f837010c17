#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QPushButton;

namespace Ui {
class FMStart;
}

namespace tolvan {

class FileSaveDialog;
class SaveDialog;

// The main window: supplier and storage location, the stock list and the menu.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // Start-up: logs in (again and again until it succeeds, or the user
    // cancels), titles the window with firm, branch and user, restores the last
    // supplier and storage location and looks the supplier up.
    void Form_Load();

    // The Save dialog of the export; the window's own unless a test sets one.
    void setSaveDialog(SaveDialog *dialog) { m_saveDialog = dialog; }

    // The title for a session: firm, branch and the user's display name.
    static QString titleFor(const QString &firm, const QString &branch, const QString &userIdent);

    // The list's height for a window of that outer height, both in twips: the
    // window's height less 2300 from 2000 twips up, never below 0; below 2000
    // the list keeps its height.
    static int listHeightForWindow(int windowTwips, int listTwips);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void TxLnr_Change();
    void TxLagerort_Change();
    void TxLnr_LostFocus();
    void supplierFieldLeft(Qt::FocusReason reason);
    void TxLagerort_LostFocus();
    void BUAkt_Click();
    void BUDatei_Click();
    void Form_Resize();
    void Form_Unload();
    void mLogin_Click();
    void Beenden_Click();
    void HilfeUeber_Click();
    // Enter in the window presses "Aktualisieren", the default button, while it is enabled.
    void pressDefaultButton();

    std::unique_ptr<Ui::FMStart> m_ui;
    FileSaveDialog *m_ownSaveDialog;
    SaveDialog *m_saveDialog;
    int m_resizedForHeight = -1; // the outer height the list was last fitted to
    // The button whose click took the focus from the supplier field: its press,
    // which comes after the lookup, runs the click.
    QPointer<QPushButton> m_clickAfterLookup;
};

} // namespace tolvan
