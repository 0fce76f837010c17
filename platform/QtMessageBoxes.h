#pragma once

#include "MessageBoxes.h"

namespace tolvan {

// Message boxes as the user sees them: a QMessageBox modal to the active window,
// its buttons in German ("OK", "Ja", "Nein") through Qt's translations.
class QtMessageBoxes : public MessageBoxes {
public:
    MessageAnswer show(const QString &title, const QString &text, MessageIcon icon,
                       MessageButtons buttons) override;
};

} // namespace tolvan
