#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace tolvan {

// Runs a field's lost-focus handler when the focus moves from the field to
// another control of the program, with the reason of the move. Not a loss:
// a message box or another window taking the activation (a lookup that shows
// a message would loop), and the menu bar or one of its menus taking the
// keyboard (Alt, Alt+letter): the focus comes back to the field from them,
// as on a desktop where opening a menu leaves the focus in the text box. Goes
// the focus from the menu bar straight on to another control of the window
// (a click there while the menu bar is active), the field has been left.
class LostFocusWatch : public QObject {
public:
    LostFocusWatch(QWidget *field, std::function<void(Qt::FocusReason)> handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void focusChanged(QWidget *now);

    QPointer<QWidget> m_field;
    std::function<void(Qt::FocusReason)> m_handler;
    bool m_withTheMenus = false; // the focus went to the menu bar, not yet back
};

} // namespace tolvan
