#include "DialogForms.h"

#include "Forms.h"
#include "Guard.h"
#include "LoginDialog.h"
#include "ServerDialog.h"

#include <QLineEdit>
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
        dialog.exec(); // returns when the dialog is hidden
        guard::unwindIfEnded();
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
