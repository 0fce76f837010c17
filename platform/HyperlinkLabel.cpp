#include "HyperlinkLabel.h"

#include "Guard.h"
#include "MessageBoxes.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace tolvan {

HyperlinkLabel::HyperlinkLabel(QWidget *parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true); // the button-face colour behind the text
    updateColour();
}

void HyperlinkLabel::setUnderline(bool on)
{
    QFont f = font();
    f.setUnderline(on);
    setFont(f);
}

void HyperlinkLabel::setLinkColor(const QColor &colour)
{
    m_linkColor = colour;
    updateColour();
}

void HyperlinkLabel::setVisitedColor(const QColor &colour)
{
    m_visitedColor = colour;
    updateColour();
}

void HyperlinkLabel::setDisabledColor(const QColor &colour)
{
    m_disabledColor = colour;
    updateColour();
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()) ||
        !m_target.isValid())
        return;
    follow();
}

void HyperlinkLabel::follow()
{
    if (isEnabled() && m_target.isValid())
        guard::run([this] { open(); });
}

void HyperlinkLabel::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
        !(event->modifiers() & ~Qt::KeypadModifier)) {
        if (!event->isAutoRepeat()) // a key held down opens the link once
            follow();
        return;
    }
    QLabel::keyPressEvent(event);
}

void HyperlinkLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = contentsRect();
    option.backgroundColor = palette().color(QPalette::Window);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

void HyperlinkLabel::open()
{
    if (!QDesktopServices::openUrl(m_target)) {
        showMessage(QCoreApplication::applicationName(),
                    QStringLiteral("„%1“ lässt sich nicht öffnen: Auf diesem Rechner ist kein "
                                   "Programm dafür eingerichtet.")
                        .arg(m_target.toDisplayString()),
                    MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    m_visited = true;
    updateColour();
}

void HyperlinkLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateColour();
}

void HyperlinkLabel::updateColour()
{
    QPalette colours = palette();
    const QColor text = !isEnabled() ? m_disabledColor : m_visited ? m_visitedColor : m_linkColor;
    colours.setColor(QPalette::Active, QPalette::WindowText, text);
    colours.setColor(QPalette::Inactive, QPalette::WindowText, text);
    colours.setColor(QPalette::Disabled, QPalette::WindowText, m_disabledColor);
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);
}

} // namespace tolvan
