#include "DialogForms.h"

#include "Forms.h"
#include "Guard.h"
#include "LoginDialog.h"
#include "ServerDialog.h"

#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QSet>
#include <QTimer>
#include <functional>

namespace tolvan {
namespace {

// A dialog that is loaded on first use; shown modally without owner.
class DialogForm : public Form {
public:
    explicit DialogForm(std::function<QDialog &()> dialog) : m_dialog(std::move(dialog)) {}

    QString text(const QString &field) override { return lineEdit(m_dialog(), field).text(); }
    void setText(const QString &field, const QString &text) override
    {
        lineEdit(m_dialog(), field).setText(text);
    }
    void selectAll(const QString &field) override { SelectAll(lineEdit(m_dialog(), field)); }
    void showModal() override
    {
        QDialog &dialog = m_dialog();
        if (dialog.parentWidget())
            dialog.setParent(nullptr, dialog.windowFlags());
        showModally(dialog);
    }
    void hide() override { m_dialog().hide(); }
    bool isVisible() override { return m_dialog().isVisible(); }

private:
    std::function<QDialog &()> m_dialog;
};

} // namespace

QLineEdit &lineEdit(QWidget &dialog, const QString &name)
{
    auto *field = dialog.findChild<QLineEdit *>(name);
    Q_ASSERT_X(field, "lineEdit", qPrintable(name));
    return *field;
}

void SelectAll(QLineEdit &field)
{
    field.setSelection(0, int(field.text().size()));
}

namespace {

// Ends a nested event loop when the watched dialog is hidden or gone.
class UntilHidden : public QObject {
public:
    UntilHidden(QDialog &dialog, QEventLoop &loop) : m_loop(loop)
    {
        dialog.installEventFilter(this);
        connect(&dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            m_loop.quit();
        return false;
    }

private:
    QEventLoop &m_loop;
};

QSet<QDialog *> &inExec()
{
    static QSet<QDialog *> dialogs;
    return dialogs;
}

} // namespace

void showModally(QDialog &dialog)
{
    if (!inExec().contains(&dialog)) {
        inExec().insert(&dialog);
        QDialog *running = &dialog;
        dialog.exec(); // returns when the dialog is hidden
        inExec().remove(running);
    } else {
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QEventLoop loop;
        UntilHidden watch(dialog, loop);
        if (dialog.isVisible())
            loop.exec();
    }
    guard::unwindIfEnded();
}

DialogForms::DialogForms()
    : m_login(std::make_unique<DialogForm>([]() -> QDialog & { return forms::login(); })),
      m_server(std::make_unique<DialogForm>([]() -> QDialog & { return forms::server(); }))
{
}

DialogForms::~DialogForms() = default;

Form &DialogForms::login()
{
    return *m_login;
}

Form &DialogForms::server()
{
    return *m_server;
}

void DialogForms::startIdleTimer()
{
    forms::server().lockTimer().start();
}

void DialogForms::stopIdleTimer()
{
    forms::server().lockTimer().stop();
}

void DialogForms::quit(int status)
{
    forms::login().BUAusst_Click(status);
}

void DialogForms::unloadAll()
{
    forms::unloadAll();
}

} // namespace tolvan
