#include "pointer_rule_watch.h"

#include <QMouseEvent>
#include <QWidget>

namespace ferrowax {

PointerRuleWatch::PointerRuleWatch(WindowState& state, QWidget& window)
    : QObject(&window)
    , state_(state)
    , window_(window)
{
    window.setMouseTracking(true);
    window.installEventFilter(this);
}

void PointerRuleWatch::watch(QWidget* widget, HoverPlace place)
{
    watchOne(widget, place);
    for (QWidget* inner : widget->findChildren<QWidget*>())
        watchOne(inner, place);
}

void PointerRuleWatch::watchOne(QWidget* widget, HoverPlace place)
{
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    places_.insert(widget, place);
}

bool PointerRuleWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseMove)
        return false;
    if (watched == &window_) {
        // Moves that children pass on to the window arrive here too.
        const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (window_.childAt(position) == nullptr)
            applyPointerRule(state_, HoverPlace::BackgroundOrList);
    } else if (const auto place = places_.constFind(watched); place != places_.constEnd()) {
        applyPointerRule(state_, *place);
    }
    return false;
}

} // namespace ferrowax
