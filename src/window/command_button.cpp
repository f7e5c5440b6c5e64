#include "command_button.h"

#include <QKeyEvent>

namespace ferrowax {

void CommandButton::keyPressEvent(QKeyEvent* event)
{
    // The keypad's Enter comes with the keypad modifier, and presses too.
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && plain) {
        animateClick();
        return;
    }
    QPushButton::keyPressEvent(event);
}

} // namespace ferrowax
