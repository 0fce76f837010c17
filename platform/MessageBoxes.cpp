#include "MessageBoxes.h"

#include <QtGlobal>

namespace tolvan {
namespace {
MessageBoxes *installed = nullptr;
} // namespace

void MessageBoxes::install(MessageBoxes *service)
{
    installed = service;
}

MessageAnswer showMessage(const QString &title, const QString &text, MessageIcon icon,
                          MessageButtons buttons)
{
    Q_ASSERT_X(installed, "showMessage", "no message box service installed");
    return installed->show(title, text, icon, buttons);
}

} // namespace tolvan
