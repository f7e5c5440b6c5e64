#include "pointer_rules.h"

#include "command_kit/window_state.h"

namespace ferrowax {

void applyPointerRule(WindowState& window, HoverPlace place)
{
    const bool busy = window.mousePointer() == Pointer::Hourglass;
    switch (place) {
    case HoverPlace::StartButton:
        window.setMousePointer(Pointer::Hand);
        break;
    case HoverPlace::OtherButton:
        if (!busy)
            window.setMousePointer(Pointer::Hand);
        break;
    case HoverPlace::BackgroundOrList:
        if (!busy)
            window.setMousePointer(Pointer::Default);
        break;
    }
}

} // namespace ferrowax
