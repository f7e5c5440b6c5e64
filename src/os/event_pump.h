#pragma once

namespace ferrowax {

// Lets the window handle pending events in the middle of a long command.
// Any other command, Stop included, may run inside a yield.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void yield() = 0;
    // A yield for a command that has nothing to do until another thread
    // calls wake(): handles events, sleeping while none come, and returns
    // after an event or a wake. A wake that came first is not lost.
    virtual void yieldUntilWoken() = 0;
    // Safe from any thread.
    virtual void wake() = 0;
};

} // namespace ferrowax
