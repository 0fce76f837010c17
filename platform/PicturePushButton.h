#pragma once

#include <QPushButton>

namespace tolvan {

// A push button showing its caption with a 16 x 16 glyph. In two-state mode
// every click toggles its value (shown pressed while set), which code can read
// and set. It never takes Enter itself: in a dialog Enter presses the
// default button, Space the focused button.
class PicturePushButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(bool twoState READ isTwoState WRITE setTwoState)
    Q_PROPERTY(bool value READ value WRITE setValue)
public:
    explicit PicturePushButton(QWidget *parent = nullptr);

    bool isTwoState() const { return isCheckable(); }
    void setTwoState(bool on) { setCheckable(on); }
    bool value() const { return isChecked(); }
    void setValue(bool on) { setChecked(on); }
};

} // namespace tolvan
