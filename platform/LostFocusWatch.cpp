#include "LostFocusWatch.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace tolvan {

LostFocusWatch::LostFocusWatch(QWidget *field, std::function<void(Qt::FocusReason)> handler)
    : QObject(field), m_field(field), m_handler(std::move(handler))
{
    field->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { focusChanged(now); });
}

bool LostFocusWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::MenuBarFocusReason)
            m_withTheMenus = true;
        else if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            m_handler(reason);
    }
    return false;
}

void LostFocusWatch::focusChanged(QWidget *now)
{
    if (!m_withTheMenus || !now || !m_field)
        return;
    if (now == m_field) {
        m_withTheMenus = false;
        return;
    }
    if (qobject_cast<QMenuBar *>(now) || qobject_cast<QMenu *>(now) ||
        now->window() != m_field->window())
        return;
    m_withTheMenus = false;
    m_handler(Qt::MouseFocusReason);
}

} // namespace tolvan
