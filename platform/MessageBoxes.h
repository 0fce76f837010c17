#pragma once

#include "Installed.h"

#include <QString>

namespace tolvan {

enum class MessageIcon { None, Information, Exclamation, Critical };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Every message the program shows goes through the one installed service: the
// program installs real message boxes, tests a fake that records and answers.
class MessageBoxes : public Installed<MessageBoxes> {
public:
    virtual ~MessageBoxes() = default;
    virtual MessageAnswer show(const QString &title, const QString &text, MessageIcon icon,
                               MessageButtons buttons) = 0;
};
// Without a service installed, showing a message is a programming error.

// Shows a modal message and returns the user's answer.
MessageAnswer showMessage(const QString &title, const QString &text,
                          MessageIcon icon = MessageIcon::None,
                          MessageButtons buttons = MessageButtons::Ok);

} // namespace tolvan
