#pragma once

#include "pointer_rules.h"

#include <QHash>
#include <QObject>

class QWidget;

namespace ferrowax {

class WindowState;

// Applies the pointer rules on every mouse move over the watched widgets.
// Only moves over the window's own background count for it: a move over a
// child without a rule, such as the progress bar, changes nothing.
class PointerRuleWatch final : public QObject {
public:
    PointerRuleWatch(WindowState& state, QWidget& window);

    // Watches `widget` and every widget inside it.
    void watch(QWidget* widget, HoverPlace place);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchOne(QWidget* widget, HoverPlace place);

    WindowState& state_;
    QWidget& window_;
    QHash<QObject*, HoverPlace> places_;
};

} // namespace ferrowax
