#include "FixedDialogFrame.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace tolvan {
namespace {

constexpr Qt::WindowStates NotNormal =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

class FixedFrameKeeper : public QObject {
public:
    explicit FixedFrameKeeper(QWidget &dialog) : QObject(&dialog), m_dialog(&dialog) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_dialog && event->type() == QEvent::WindowStateChange &&
            (m_dialog->windowState() & NotNormal))
            // After the window system has finished its change.
            QTimer::singleShot(0, this, [this] { restore(); });
        return false;
    }

private:
    void restore()
    {
        if (!m_dialog || !m_dialog->isVisible() || !(m_dialog->windowState() & NotNormal))
            return;
        const QWidget *owner = m_dialog->parentWidget();
        if (owner && owner->window()->isMinimized())
            return;
        m_dialog->setWindowState(m_dialog->windowState() & ~NotNormal);
        m_dialog->show();
        m_dialog->raise();
        m_dialog->activateWindow();
    }

    QPointer<QWidget> m_dialog;
};

} // namespace

void keepFixedFrame(QWidget &dialog)
{
    dialog.setFixedSize(dialog.size());
    dialog.installEventFilter(new FixedFrameKeeper(dialog));
}

} // namespace tolvan
