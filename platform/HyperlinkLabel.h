#pragma once

#include <QColor>
#include <QLabel>
#include <QUrl>

namespace tolvan {

// A label that opens its target (a "mailto:" link or a web page) itself when
// clicked, or when Enter or Space is pressed while it has the focus (Tab
// reaches it; a dotted frame shows the focus); when the desktop has no program
// for it, a message says so. Its text is shown in the link colour, once opened
// in the visited colour, and in the disabled colour while the label is
// disabled. Screen readers know it as a link (AccessibleControls.h).
class HyperlinkLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QUrl target READ target WRITE setTarget)
    Q_PROPERTY(bool underline READ underline WRITE setUnderline)
    Q_PROPERTY(QColor linkColor READ linkColor WRITE setLinkColor)
    Q_PROPERTY(QColor visitedColor READ visitedColor WRITE setVisitedColor)
    Q_PROPERTY(QColor disabledColor READ disabledColor WRITE setDisabledColor)
public:
    explicit HyperlinkLabel(QWidget *parent = nullptr);

    QUrl target() const { return m_target; }
    void setTarget(const QUrl &target) { m_target = target; }
    bool underline() const { return font().underline(); }
    void setUnderline(bool on);
    QColor linkColor() const { return m_linkColor; }
    void setLinkColor(const QColor &colour);
    QColor visitedColor() const { return m_visitedColor; }
    void setVisitedColor(const QColor &colour);
    QColor disabledColor() const { return m_disabledColor; }
    void setDisabledColor(const QColor &colour);
    bool isVisited() const { return m_visited; }

    // Opens the target, as a click does.
    void follow();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void open();
    void updateColour();

    QUrl m_target;
    QColor m_linkColor{0, 0, 255};
    QColor m_visitedColor{128, 0, 128};
    QColor m_disabledColor{128, 128, 128};
    bool m_visited = false;
};

} // namespace tolvan
