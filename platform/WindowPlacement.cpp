#include "WindowPlacement.h"

#include "SettingsStore.h"
#include "Twips.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace tolvan {
namespace {

// One entry per window, named by the caller; an administrator may preset them.
const SettingKey Placements{QStringLiteral("WendmarZV"), QStringLiteral("Windowpos"), QString(),
                            true};

// Beyond any screen: larger values are cut to this many twips.
constexpr double LargestTwips = 1'000'000;
// The least a restored window keeps of its size.
constexpr int LeastWidth = 120;
constexpr int LeastHeight = 60;
// A restored window can be moved back by its title bar: that lies on a
// screen, top to bottom, with at least this much of the window's width.
constexpr int LeastVisibleWidth = 100;
constexpr int TitleBarHeight = 30;

int pixelsOf(double twips)
{
    const double limited =
        std::isfinite(twips) ? std::clamp(twips, -LargestTwips, LargestTwips) : 0;
    return twipsToPixels(int(std::lround(limited)));
}

QRect virtualDesktop()
{
    QRect all;
    for (const QScreen *screen : QGuiApplication::screens())
        all |= screen->availableGeometry();
    return all;
}

// The outer rectangle limited so that the window stays usable and visible: a
// size too small to use is the window's own (layout) size instead.
QRect limited(QRect frame, const QSize &layoutSize)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return frame;
    const QRect desktop = virtualDesktop();
    if (frame.width() < LeastWidth)
        frame.setWidth(layoutSize.width());
    if (frame.height() < LeastHeight)
        frame.setHeight(layoutSize.height());
    frame.setWidth(std::clamp(frame.width(), LeastWidth, std::max(LeastWidth, desktop.width())));
    frame.setHeight(
        std::clamp(frame.height(), LeastHeight, std::max(LeastHeight, desktop.height())));
    for (const QScreen *screen : screens) {
        const QRect area = screen->availableGeometry();
        const int shownWidth =
            std::min(frame.right(), area.right()) - std::max(frame.left(), area.left()) + 1;
        if (frame.top() >= area.top() && frame.top() + TitleBarHeight - 1 <= area.bottom() &&
            shownWidth >= LeastVisibleWidth)
            return frame;
    }
    // The title bar on no present screen (above it, or a monitor that is
    // gone): the window is put onto the primary one.
    const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
    frame.moveLeft(std::clamp(frame.left(), primary.left(),
                              std::max(primary.left(), primary.right() + 1 - frame.width())));
    frame.moveTop(std::clamp(frame.top(), primary.top(),
                             std::max(primary.top(), primary.bottom() + 1 - frame.height())));
    return frame;
}

// Gives the window the outer rectangle, with the frame it has now.
void applyFrame(QWidget &window, const QRect &frame)
{
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    const int extraWidth = outer.width() - inner.width();
    const int extraHeight = outer.height() - inner.height();
    window.move(frame.topLeft());
    window.resize(std::max(1, frame.width() - extraWidth),
                  std::max(1, frame.height() - extraHeight));
}

// Applies the rectangle again once the window manager has framed the window.
class FrameWatch : public QObject {
public:
    FrameWatch(QWidget &window, const QRect &frame) : QObject(&window), m_frame(frame)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWidget *>(watched);
        const auto type = event->type();
        if ((type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show) &&
            window->isVisible() && window->frameGeometry() != window->geometry()) {
            window->removeEventFilter(this);
            deleteLater();
            if (window->frameGeometry() != m_frame)
                applyFrame(*window, m_frame);
        }
        return false;
    }

private:
    QRect m_frame;
};

} // namespace

double leadingNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[ \\t]*([+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?)"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : 0;
}

bool RestoreWindowPos(QWidget &window, const QString &key)
{
    const QString stored = GetSetting(Placements.named(key));
    if (stored.isEmpty())
        return false;
    const QStringList fields = stored.split(u'|');
    const auto field = [&fields](int n) { return pixelsOf(leadingNumber(fields.value(n))); };
    const QRect frame =
        limited(QRect(field(0), field(1), field(2), field(3)), window.frameGeometry().size());
    applyFrame(window, frame);
    if (window.frameGeometry() == window.geometry()) // not framed yet
        new FrameWatch(window, frame);
    return true;
}

void SaveWindowPos(QWidget &window, const QString &key)
{
    // A window that was never shown has no place of its own to remember.
    if (window.isMinimized() || !window.isVisible())
        return;
    const QRect frame = window.frameGeometry();
    const QStringList fields{QString::number(pixelsToTwips(frame.left())),
                             QString::number(pixelsToTwips(frame.top())),
                             QString::number(pixelsToTwips(frame.width())),
                             QString::number(pixelsToTwips(frame.height()))};
    SaveSetting(Placements.named(key), fields.join(u'|'));
}

} // namespace tolvan
