#include "MessageBoxes.h"

#include "Guard.h"

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
    const MessageAnswer answer = installed->show(title, text, icon, buttons);
    guard::unwindIfEnded(); // a handler run while the message was open ended the program
    return answer;
}

} // namespace tolvan
