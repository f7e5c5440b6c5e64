#pragma once

namespace ferrowax {

class WindowState;

// What the mouse moved over, as the pointer rules tell places apart.
enum class HoverPlace {
    StartButton,
    OtherButton,
    BackgroundOrList, // the window's background or one of its three lists
};

// The hand shows over the buttons. Over the start button it replaces even
// the hourglass, and the background and lists then set the arrow: the busy
// mark is gone until a command sets it again.
void applyPointerRule(WindowState& window, HoverPlace place);

} // namespace ferrowax
