#pragma once

namespace ferrowax {

// Lets the window handle pending events in the middle of a long command.
// Any other command, Stop included, may run inside a yield.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void yield() = 0;
};

} // namespace ferrowax
