#include "AccessibleControls.h"

#include "HyperlinkLabel.h"
#include "PicturePushButton.h"

#include <QAccessibleWidget>
#include <QVariant>

namespace tolvan {
namespace {

// The caption as a screen reader says it: the access key's "&" left out.
QString spokenCaption(const QString &caption)
{
    QString spoken;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        spoken += caption[i];
    }
    return spoken;
}

// A push button that stays pressed in while its value is set: AT-SPI and
// UI Automation know it by the push button role with "checkable" and, while
// set, "checked" and "pressed".
class TwoStateButtonAccessible : public QAccessibleWidget {
public:
    explicit TwoStateButtonAccessible(PicturePushButton *button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
        addControllingSignal(QStringLiteral("toggled(bool)"));
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && button()->accessibleName().isEmpty())
            return spokenCaption(button()->text());
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = button()->isChecked();
        state.pressed = button()->isChecked() || button()->isDown();
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList{toggleAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (!widget()->isEnabled())
            return;
        if (action == toggleAction() || action == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    PicturePushButton *button() const { return static_cast<PicturePushButton *>(widget()); }
};

// A link: its text is its name, its target the description; pressing it opens
// the target, and once followed it counts as visited.
class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(HyperlinkLabel *link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && link()->accessibleName().isEmpty())
            return link()->text();
        if (kind == QAccessible::Description && link()->accessibleDescription().isEmpty())
            return link()->target().toDisplayString();
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.linked = true;
        state.traversed = link()->isVisited();
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction())
            link()->follow();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    HyperlinkLabel *link() const { return static_cast<HyperlinkLabel *>(widget()); }
};

// A part of a picture made of several labels: not shown to a screen reader.
class HiddenAccessible : public QAccessibleWidget {
public:
    explicit HiddenAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::StaticText)
    {
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
};

QAccessibleInterface *controlInterface(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (widget->property("accessibleHidden").toBool())
        return new HiddenAccessible(widget);
    if (auto *button = qobject_cast<PicturePushButton *>(widget); button && button->isTwoState())
        return new TwoStateButtonAccessible(button);
    if (auto *link = qobject_cast<HyperlinkLabel *>(widget))
        return new LinkAccessible(link);
    return nullptr;
}

} // namespace

void installAccessibleControls()
{
    static const bool installed = [] {
        QAccessible::installFactory(controlInterface);
        return true;
    }();
    (void)installed;
}

} // namespace tolvan
