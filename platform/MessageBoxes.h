#pragma once

#include <QString>

namespace tolvan {

enum class MessageIcon { None, Information, Exclamation, Critical };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Every message the program shows goes through the one installed service: the
// program installs real message boxes, tests a fake that records and answers.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MessageAnswer show(const QString &title, const QString &text, MessageIcon icon,
                               MessageButtons buttons) = 0;

    // Passing nullptr removes the service; showing a message then is a programming error.
    static void install(MessageBoxes *service);
};

// Shows a modal message and returns the user's answer.
MessageAnswer showMessage(const QString &title, const QString &text,
                          MessageIcon icon = MessageIcon::None,
                          MessageButtons buttons = MessageButtons::Ok);

} // namespace tolvan
