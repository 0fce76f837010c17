#include "MessageBoxes.h"

#include "Guard.h"

#include <QtGlobal>

namespace tolvan {
MessageAnswer showMessage(const QString &title, const QString &text, MessageIcon icon,
                          MessageButtons buttons)
{
    Q_ASSERT_X(MessageBoxes::installed(), "showMessage", "no message box service installed");
    const MessageAnswer answer = MessageBoxes::installed()->show(title, text, icon, buttons);
    guard::unwindIfEnded(); // a handler run while the message was open ended the program
    return answer;
}

} // namespace tolvan
