#pragma once

#include <QPushButton>

namespace ferrowax {

// A push button that Enter presses too, as Space does: outside a dialog a
// plain button answers Space only.
class CommandButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace ferrowax
